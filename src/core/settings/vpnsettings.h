#pragma once

#include <QString>

// The user's settings: one record per process, owned by the application context and
// persisted by SettingsFile. Plain value type so editors can work on a copy.
struct VPNSettings
{
    // Fixed underlying type: a list row is stored here directly, so any int is a valid value.
    enum ProxyType : int
    {
        NoProxy = 0,
        Http = 1,
        Https = 2,
        Socks = 3,
        Autodetect = 4
    };

    bool tcpServersEnabled = false;
    int tcpPort = 443;
    bool pointToPointEnabled = false;
    ProxyType proxyType = NoProxy;
    QString proxyAddress;
    QString proxyPort;
    bool proxyAuthEnabled = false;
    QString proxyUser;
    QString proxyPassword;
    bool serversOnMainScreen = false;
    QString lastUsedServer;
    QString favoriteServer;
    bool forcedIpChangeEnabled = false;
    int autoIpChangeMinutes = 0;
    bool autoConnect = false;
    bool autoLaunch = true;
    bool fastestServer = false;
    bool tcpOnStartup = false;
    bool smtpEnabled = false;
    QString smtpAddress;
    // The kill switch: traffic blocked outside the tunnel from CONNECT until a disconnect.
    bool blockTrafficWhenDown = false;
    // Row in the server list model; lives in memory only and is never written to the file.
    int currentServerIndex = -1;

    bool IsFavorite(const QString& address) const { return favoriteServer == address; }
    void SetFavorite(const QString& address) { favoriteServer = address; }
    void ClearFavorite() { favoriteServer.clear(); }
    void SetProxy(ProxyType type, const QString& address, const QString& port);
    void SetProxyAuthentication(bool enabled, const QString& user, const QString& password);

    static QString ProxyTypeToString(ProxyType type);
    static ProxyType ProxyTypeFromString(const QString& text);

    bool operator==(const VPNSettings& other) const;
    bool operator!=(const VPNSettings& other) const { return !(*this == other); }
};
