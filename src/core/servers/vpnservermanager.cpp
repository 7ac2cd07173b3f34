#include "servers/vpnservermanager.h"

#include "settings/vpnsettings.h"

#include <algorithm>

namespace {

template<typename Predicate> int FirstIndex(const QList<VPNServer>& servers, Predicate predicate)
{
    const auto it = std::find_if(servers.cbegin(), servers.cend(), predicate);
    return it == servers.cend() ? -1 : static_cast<int>(it - servers.cbegin());
}

void MarkAnchored(QList<VPNServer>& servers, const QString& address)
{
    for (VPNServer& server : servers)
        server.anchored = !address.isEmpty() && server.address == address;
}

} // namespace

VPNServerManager::VPNServerManager(const VPNSettings& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
{ }

void VPNServerManager::SetServerLists(const QList<VPNServer>& udpServers, const QList<VPNServer>& tcpServers)
{
    m_udpServers = udpServers;
    m_tcpServers = tcpServers;
    emit ServersUpdated();
}

void VPNServerManager::SetListType(int listType)
{
    if (listType == m_listType)
        return;
    m_listType = listType;
    if (!m_udpServers.isEmpty() || !m_tcpServers.isEmpty())
        emit ListSettingsChanged();
}

const QList<VPNServer>& VPNServerManager::RebuildCurrentList()
{
    m_currentServers = m_listType == UdpList ? m_udpServers : m_tcpServers;
    return m_currentServers;
}

void VPNServerManager::UpdateFavoritesFromSettings()
{
    for (QList<VPNServer>* list : {&m_udpServers, &m_tcpServers}) {
        for (VPNServer& server : *list)
            server.favorite = server.address == m_settings.favoriteServer;
    }
}

void VPNServerManager::SetFavorite(const QString& address)
{
    for (VPNServer& server : m_currentServers)
        server.favorite = server.address == address;
}

void VPNServerManager::ClearFavorites()
{
    for (VPNServer& server : m_currentServers)
        server.favorite = false;
}

void VPNServerManager::SetAssignedAddress(const QString& address)
{
    for (QList<VPNServer>* list : {&m_udpServers, &m_tcpServers, &m_currentServers})
        MarkAnchored(*list, address);
    emit AssignedServerUpdated();
}

void VPNServerManager::ClearAssignedAddress()
{
    SetAssignedAddress(QString());
}

int VPNServerManager::FindFavoriteIndex() const
{
    return FirstIndex(m_currentServers, [](const VPNServer& s) { return s.favorite && s.available; });
}

bool VPNServerManager::GetAnchoredServer(VPNServer& server) const
{
    const int index = FirstIndex(m_currentServers, [](const VPNServer& s) { return s.anchored; });
    if (index < 0)
        return false;
    server = m_currentServers.at(index);
    return true;
}

int VPNServerManager::FindFastestIndex() const
{
    if (!m_settings.fastestServer)
        return -1;
    return FirstIndex(m_currentServers, [](const VPNServer& s) { return s.preferable && s.available; });
}

int VPNServerManager::FindLastUsedIndex() const
{
    const QString& lastUsed = m_settings.lastUsedServer;
    return FirstIndex(m_currentServers,
                      [&lastUsed](const VPNServer& s) { return s.description == lastUsed && s.available; });
}

int VPNServerManager::GetDefaultServerIndex() const
{
    const int fastest = FindFastestIndex();
    if (fastest >= 0)
        return fastest;
    if (m_currentServers.isEmpty())
        return 0;
    const int favorite = FindFavoriteIndex();
    if (favorite >= 0)
        return favorite;
    const int lastUsed = FindLastUsedIndex();
    return lastUsed >= 0 ? lastUsed : 0;
}
