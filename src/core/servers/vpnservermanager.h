#pragma once

#include "api/vpnserver.h"

#include <QObject>

struct VPNSettings;

/**
 * The server catalog: the UDP and TCP endpoint lists of the last server list, which of the two
 * the user sees, the favorite and anchor marks, and which row is selected when the list is shown.
 * The visible list is a copy; views only see catalog changes after it is rebuilt.
 */
class VPNServerManager : public QObject
{
    Q_OBJECT
public:
    explicit VPNServerManager(const VPNSettings& settings, QObject* parent = nullptr);

    static constexpr int UdpList = 1;
    static constexpr int TcpList = 0;

    const QList<VPNServer>& UdpServers() const { return m_udpServers; }
    const QList<VPNServer>& TcpServers() const { return m_tcpServers; }
    const QList<VPNServer>& CurrentServers() const { return m_currentServers; }
    int ListType() const { return m_listType; }

    void SetListType(int listType);
    const QList<VPNServer>& RebuildCurrentList();
    void UpdateFavoritesFromSettings();
    void SetFavorite(const QString& address);
    void ClearFavorites();

    int FindFavoriteIndex() const;
    bool GetAnchoredServer(VPNServer& server) const;
    int FindFastestIndex() const;
    int FindLastUsedIndex() const;
    int GetDefaultServerIndex() const;

public slots:
    void SetServerLists(const QList<VPNServer>& udpServers, const QList<VPNServer>& tcpServers);
    void SetAssignedAddress(const QString& address);
    void ClearAssignedAddress();

signals:
    void ServersUpdated();
    void AssignedServerUpdated();
    void ListSettingsChanged();

private:
    const VPNSettings& m_settings;
    QList<VPNServer> m_udpServers;
    QList<VPNServer> m_tcpServers;
    QList<VPNServer> m_currentServers;
    int m_listType = UdpList;
};
