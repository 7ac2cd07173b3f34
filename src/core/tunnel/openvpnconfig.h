#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QNetworkProxy>
#include <QString>

#include <optional>

struct VPNSettings;

/**
 * The OpenVPN client configuration of one connection, computed from the settings and the
 * endpoint alone: no files, no controller. The tunnel controller writes what Build() returns.
 */
struct OpenVpnConfig
{
    struct Endpoint
    {
        QString address;
        int port = 0;
        // "UDP"; anything else is TCP.
        QString protocol;
        // No management lines when unset.
        std::optional<quint16> managementPort;
        // Where the HTTP proxy credentials are written; named in the configuration.
        QString proxyAuthFilePath;
        bool routeMethodExe = false;
        // The desktop's proxy, written for the "Autodetect" setting; nothing when NoProxy.
        QNetworkProxy desktopProxy {QNetworkProxy::NoProxy};
    };

    // A server or proxy value that would add or change OpenVPN options makes the result invalid.
    static OpenVpnConfig Build(const VPNSettings& settings, const Endpoint& endpoint);
    // The lines that keep mail to these addresses outside the tunnel (IPv4 only).
    static QByteArray MailRouteLines(const QList<QHostAddress>& addresses);

    bool valid = false;
    QByteArray text;
    // User and password for an HTTP proxy with authentication; empty otherwise.
    QByteArray proxyCredentials;
    // Where OpenVPN's own packets go: the proxy when one is named, else the server.
    QString firstHopAddress;
    int firstHopPort = 0;
};
