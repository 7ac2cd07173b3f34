// norvane-helper's check of the caller's OpenVPN configuration. Property: an accepted
// configuration holds only the directives the client writes, one per line, and reads files
// only from the helper's own folder.
#include "fuzzcheck.h"
#include "tunnelconfigcheck.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QSet<QByteArray> allowed = {"client",
                                             "management",
                                             "management-query-passwords",
                                             "management-hold",
                                             "remote",
                                             "proto",
                                             "keepalive",
                                             "tun-mtu",
                                             "dev",
                                             "ca",
                                             "auth-user-pass",
                                             "comp-lzo",
                                             "cipher",
                                             "redirect-gateway",
                                             "nobind",
                                             "verb",
                                             "route",
                                             "http-proxy",
                                             "socks-proxy"};
    const TunnelConfigCheck::Paths paths {
        QStringLiteral("/home/u/.local/share/norvane/Config/conn.ovpn.auth"),
        QStringLiteral("/run/h/1000/management.pw"), QStringLiteral("/run/h/1000/conn.ovpn.auth")};
    const TunnelConfigCheck::Result result
        = TunnelConfigCheck::Check(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), paths);
    if (!result.accepted) {
        FUZZ_CHECK(!result.error.isEmpty() && result.config.isEmpty());
        return 0;
    }
    for (const QByteArray& line : result.config.split('\n')) {
        if (line.isEmpty())
            continue;
        FUZZ_CHECK(allowed.contains(line.split(' ').first()));
        for (const char c : line)
            FUZZ_CHECK(uchar(c) >= 0x20 && c != 0x7f);
        if (line.startsWith("management ") || line.startsWith("http-proxy "))
            FUZZ_CHECK(line.contains("/run/h/1000/") || !line.contains('/'));
    }
    return 0;
}
