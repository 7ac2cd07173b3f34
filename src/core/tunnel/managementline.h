#pragma once

#include <QString>

/**
 * What one complete line of OpenVPN's management output means to the tunnel controller. Lines
 * are read by their exact form: a real-time message by its ">NAME:" prefix and, for ">STATE:",
 * by its comma fields (time, state, reason, tunnel address, ...). Anything else is Other.
 */
struct ManagementLine
{
    enum class Kind
    {
        // ">PASSWORD:Need 'Auth' ...": the credentials of the VPN account.
        PasswordNeeded,
        // ">PASSWORD:Need '<realm>' ..." for any other realm (a proxy's, a private key's).
        PasswordOtherRealm,
        // ">STATE:time,CONNECTED,SUCCESS,<four dotted octets>,...".
        Connected,
        // Any other CONNECTED state: an error, or no usable tunnel address.
        ConnectFailed,
        Exiting,
        TlsError,
        Reconnecting,
        Hold,
        // ">FATAL:<text>": OpenVPN ends because of text.
        Fatal,
        Other
    };

    static ManagementLine Parse(const QString& line);
    // The server side of the tunnel's /22 (x.y.(z - z % 4).1), where the change-IP listener
    // runs; empty unless the address is four dotted octets.
    static QString FirstAddressInRange(const QString& tunnelAddress);

    Kind kind = Kind::Other;
    // Connected: the 4th comma field.
    QString tunnelAddress;
    // Exiting: the server refused the credentials.
    bool authFailure = false;
    // Fatal: OpenVPN's text; PasswordOtherRealm: the realm; ConnectFailed: the reason field.
    QString text;
};
