#pragma once

#include <QByteArray>
#include <QString>

/**
 * Decides whether a client configuration may be run by OpenVPN as root. The client writes a small,
 * fixed set of directives; every line must be one of them, with values of the form the client
 * writes, or the whole configuration is refused. Anything that could run a program, load a plug-in,
 * read or write another file or open the management interface elsewhere is therefore refused by
 * not being on the list.
 *
 * What is accepted is rewritten for the root-owned folder it runs from: the management interface
 * takes the password file, and the proxy credentials are read from the copy there.
 */
class TunnelConfigCheck
{
public:
    static constexpr quint16 ManagementPort = 52025;
    static constexpr qsizetype MaxSize = qsizetype(16) * 1024;

    struct Paths
    {
        // Where the caller's configuration says the proxy credentials are (its own folder).
        QString callerProxyAuthFile;
        // Where the checked copies live.
        QString managementPasswordFile;
        QString proxyAuthFile;
    };

    struct Result
    {
        bool accepted = false;
        // Why it was refused, naming the line: "line 7: \"up\" is not allowed".
        QString error;
        QByteArray config;
        // The configuration reads proxy credentials, which must be copied beside it.
        bool usesProxyAuthFile = false;
    };

    static Result Check(const QByteArray& text, const Paths& paths);
};
