#pragma once

#include <QString>

/**
 * What one complete line of OpenVPN's management output means to the tunnel controller.
 * Matching is by substring, in the order of Kind, so a line that names two events counts as
 * the first (">STATE:...,RECONNECTING,tls-error" is a TLS error).
 */
struct ManagementLine
{
    enum class Kind
    {
        PasswordNeeded,
        Connected,
        Exiting,
        TlsError,
        Reconnecting,
        Hold,
        Other
    };

    static ManagementLine Parse(const QString& line);
    // The server side of the tunnel's /22 (x.y.(z - z % 4).1), where the change-IP listener
    // runs; empty unless the address is IPv4.
    static QString FirstAddressInRange(const QString& tunnelAddress);

    Kind kind = Kind::Other;
    // Connected: the 4th comma field (">STATE:time,CONNECTED,SUCCESS,<tunnel address>,...").
    QString tunnelAddress;
    // Exiting: the server refused the credentials.
    bool authFailure = false;
};
