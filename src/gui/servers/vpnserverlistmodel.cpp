#include "servers/vpnserverlistmodel.h"

#include "servers/vpnserverpicture.h"

#include <utility>

VPNServerListModel::VPNServerListModel(QList<VPNServer> servers, QObject* parent)
    : QAbstractListModel(parent)
    , m_servers(std::move(servers))
{ }

int VPNServerListModel::rowCount(const QModelIndex&) const
{
    return static_cast<int>(m_servers.size());
}

const VPNServer* VPNServerListModel::ServerAt(int row) const
{
    if (row < 0 || row >= m_servers.size())
        return nullptr;
    return &m_servers.at(row);
}

QVariant VPNServerListModel::data(const QModelIndex& index, int role) const
{
    const VPNServer* server = index.isValid() ? ServerAt(index.row()) : nullptr;
    if (!server)
        return QVariant();
    if (role == Qt::DisplayRole)
        return server->name;
    if (role == Qt::DecorationRole)
        return VPNServerPicture::Compose(*server);
    return QVariant();
}

Qt::ItemFlags VPNServerListModel::flags(const QModelIndex& index) const
{
    const VPNServer* server = index.isValid() ? ServerAt(index.row()) : nullptr;
    if (!server || !server->available)
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

void VPNServerListModel::SetMark(int row, bool on, bool VPNServer::*mark)
{
    if (row < 0 || row >= m_servers.size())
        return;
    auto changed = [this](int r) { emit dataChanged(index(r), index(r)); };
    if (on) {
        for (int r = 0; r < m_servers.size(); ++r) {
            if (m_servers[r].*mark) {
                m_servers[r].*mark = false;
                changed(r);
            }
        }
    }
    m_servers[row].*mark = on;
    changed(row);
}

void VPNServerListModel::SetFavorite(int row, bool on)
{
    SetMark(row, on, &VPNServer::favorite);
}

void VPNServerListModel::SetAnchored(int row, bool on)
{
    SetMark(row, on, &VPNServer::anchored);
}
