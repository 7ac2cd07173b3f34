#include "nfttable.h"

#include <QProcess>

#include <utility>

namespace {

constexpr int NftLimitMs = 5000;

} // namespace

NftTable::NftTable(QString nftBinary, QString name)
    : m_binary(std::move(nftBinary))
    , m_name(std::move(name))
{ }

QByteArray NftTable::Ipv6BlockChains(const QString& device)
{
    QByteArray chains = "  chain output {\n"
                        "    type filter hook output priority filter; policy accept;\n"
                        "    meta nfproto ipv6 oifname \"lo\" accept\n";
    if (!device.isEmpty())
        chains += "    meta nfproto ipv6 oifname \"" + device.toLatin1() + "\" accept\n";
    // Refused rather than dropped: programs learn at once that IPv6 is closed and use IPv4.
    chains += "    meta nfproto ipv6 reject with icmpx type admin-prohibited\n"
              "  }\n";
    return chains;
}

QByteArray NftTable::ReplaceRuleset(const QByteArray& chains) const
{
    // Declaring the table first makes the delete succeed whether or not it existed.
    const QByteArray table = "table inet " + m_name.toLatin1();
    return table + '\n' + "delete " + table + '\n' + table + " {\n" + chains + "}\n";
}

QByteArray NftTable::RemoveRuleset() const
{
    const QByteArray table = "table inet " + m_name.toLatin1();
    return table + '\n' + "delete " + table + '\n';
}

bool NftTable::Replace(const QByteArray& chains, QString& error) const
{
    return Run(ReplaceRuleset(chains), error);
}

bool NftTable::Remove(QString& error) const
{
    return Run(RemoveRuleset(), error);
}

bool NftTable::Run(const QByteArray& ruleset, QString& error) const
{
    // The helper serves no window: a short wait for nft here holds up nothing the user sees.
    QProcess nft;
    nft.setProcessChannelMode(QProcess::MergedChannels);
    nft.start(m_binary, {QStringLiteral("-f"), QStringLiteral("-")});
    if (!nft.waitForStarted(NftLimitMs)) {
        error = QStringLiteral("%1 could not be run: %2").arg(m_binary, nft.errorString());
        return false;
    }
    nft.write(ruleset);
    nft.closeWriteChannel();
    if (!nft.waitForFinished(NftLimitMs)) {
        nft.kill();
        nft.waitForFinished(1000);
        error = QStringLiteral("nft did not finish");
        return false;
    }
    if (nft.exitStatus() != QProcess::NormalExit || nft.exitCode() != 0) {
        error = QStringLiteral("nft failed: %1").arg(QString::fromUtf8(nft.readAll()).trimmed());
        return false;
    }
    return true;
}
