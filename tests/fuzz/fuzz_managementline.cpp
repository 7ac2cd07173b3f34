// OpenVPN's management output: the byte stream cut into lines at arbitrary read boundaries,
// each line classified. Properties: lines are bounded and hold no line end or NUL, a tunnel
// address is four octets with a server side, and a quoted credential is one line that reads
// back as the original.
#include "fuzzcheck.h"
#include "tunnel/managementline.h"
#include "tunnel/managementlinebuffer.h"
#include "tunnel/openvpnmgmt.h"

#include <QString>

namespace {

QByteArray Unquote(const QByteArray& quoted)
{
    QByteArray plain;
    for (qsizetype i = 1; i + 1 < quoted.size(); ++i) {
        if (quoted.at(i) == '\\')
            ++i;
        plain += quoted.at(i);
    }
    return plain;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool silenced = (SilenceQtMessages(), true);
    Q_UNUSED(silenced);
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    if (input.isEmpty())
        return 0;
    // The first byte chooses the read size.
    const qsizetype step = 1 + quint8(input.at(0));
    ManagementLineBuffer buffer;
    for (qsizetype at = 1; at < input.size(); at += step) {
        for (const QByteArray& line : buffer.Append(input.mid(at, step))) {
            FUZZ_CHECK(line.size() <= ManagementLineBuffer::MaxLineLength);
            FUZZ_CHECK(!line.contains('\n') && !line.contains('\0'));
            const ManagementLine parsed = ManagementLine::Parse(QString::fromLatin1(line));
            if (parsed.kind == ManagementLine::Kind::Connected)
                FUZZ_CHECK(!ManagementLine::FirstAddressInRange(parsed.tunnelAddress).isEmpty());
            else
                FUZZ_CHECK(parsed.tunnelAddress.isEmpty());
        }
        FUZZ_CHECK(buffer.Pending().size() <= ManagementLineBuffer::MaxLineLength);
    }
    const QByteArray quoted = OpenVpnMgmt::QuoteArgument(input);
    FUZZ_CHECK(quoted.startsWith('"') && quoted.endsWith('"') && Unquote(quoted) == input);
    const QByteArray command = OpenVpnMgmt::CredentialCommand("password", QString::fromUtf8(input));
    FUZZ_CHECK(command.isEmpty() || command.indexOf('\n') == command.size() - 1);
    return 0;
}
