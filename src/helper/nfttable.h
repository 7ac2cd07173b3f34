#pragma once

#include <QByteArray>
#include <QString>

/**
 * One nftables table of the helper's own (family inet), replaced and removed as a whole by
 * running `nft -f -` with the ruleset on its input: the replacement is one transaction, so no
 * moment passes with half a table, and nothing of the system's own tables is touched.
 */
class NftTable
{
public:
    static constexpr char Ipv6BlockName[] = "norvane_ipv6";

    NftTable(QString nftBinary, QString name);

    // The chains of a table that lets IPv6 out only on loopback and the tunnel device.
    static QByteArray Ipv6BlockChains(const QString& device);
    // The whole transaction that replaces the table by one with these chains.
    QByteArray ReplaceRuleset(const QByteArray& chains) const;
    QByteArray RemoveRuleset() const;

    bool Replace(const QByteArray& chains, QString& error) const;
    bool Remove(QString& error) const;

private:
    bool Run(const QByteArray& ruleset, QString& error) const;

    QString m_binary;
    QString m_name;
};
