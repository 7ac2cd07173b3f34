#pragma once

#include "api/vpnserver.h"

#include <QAbstractListModel>

// The visible server list as an item model for the server choice lists: the name as display
// text and the state icon with the country flag as decoration. Holds its own copy of the
// records; endpoints that are not available have no flags, so they are greyed out and cannot
// be chosen.
class VPNServerListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit VPNServerListModel(QList<VPNServer> servers, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const QList<VPNServer>& Servers() const { return m_servers; }
    // The record at row, or nullptr when the row is out of range.
    const VPNServer* ServerAt(int row) const;

    // At most one row carries each mark.
    void SetFavorite(int row, bool on);
    void SetAnchored(int row, bool on);

private:
    void SetMark(int row, bool on, bool VPNServer::*mark);

    QList<VPNServer> m_servers;
};
