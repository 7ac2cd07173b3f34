#pragma once

#include "settings/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTest>

// Helpers of the end-to-end tests, which run inside the client namespace of the service world.

// Ends the test program's run, as skipped, outside a world.
#define E2E_SKIP_OUTSIDE_THE_WORLD()                                                                         \
    do {                                                                                                     \
        if (E2e::WorldDir().isEmpty())                                                                       \
            QSKIP("not inside the service world (run through tools/world/run-in-world.sh as root)");         \
    } while (false)

namespace E2e {

// The world's directory; empty outside a world.
inline QString WorldDir()
{
    return qEnvironmentVariable("NORVANE_WORLD_DIR");
}

// The client's settings file: it shows the servers on the main screen, may change the exit
// address and does not launch itself at log-in; autoConnect and the kill switch as asked.
inline bool WriteSettings(const QString& path, bool autoConnect, bool blockTrafficWhenDown = false)
{
    VPNSettings settings;
    settings.autoConnect = autoConnect;
    settings.blockTrafficWhenDown = blockTrafficWhenDown;
    settings.autoLaunch = false;
    settings.serversOnMainScreen = true;
    settings.forcedIpChangeEnabled = true;
    return QDir().mkpath(QFileInfo(path).absolutePath()) && SettingsFile::Write(path, settings);
}

// The OpenVPN processes norvane-helper runs in this world (found by its runtime folder).
inline QList<qint64> OpenVpnPids()
{
    const QByteArray runtime = (WorldDir() + QStringLiteral("/helper-run/")).toUtf8();
    QList<qint64> found;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (pid.toLongLong() <= 0 || !cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray arguments = cmdline.readAll();
        if (arguments.split('\0').constFirst().endsWith("openvpn") && arguments.contains(runtime))
            found << pid.toLongLong();
    }
    return found;
}

inline int OpenVpnProcesses()
{
    return int(OpenVpnPids().size());
}

// Runs tools/world/world.sh COMMAND <this world> ARGUMENTS; true when it succeeded.
inline bool World(const QString& command, const QStringList& arguments = {})
{
    QProcess world;
    world.setProcessChannelMode(QProcess::ForwardedChannels);
    world.start(
        QStringLiteral("bash"),
        QStringList {qEnvironmentVariable("NORVANE_SOURCE_DIR") + QStringLiteral("/tools/world/world.sh"),
                     command, WorldDir()}
            + arguments);
    return world.waitForFinished(60000) && world.exitCode() == 0;
}

// What a tunnel changes in the client namespace and has to leave as it found it: addresses,
// routes, the nftables ruleset and resolv.conf, as one text to compare.
inline QString NetworkSnapshot()
{
    static const QList<QStringList> commands
        = {{QStringLiteral("ip"), QStringLiteral("addr")},
           {QStringLiteral("ip"), QStringLiteral("route")},
           {QStringLiteral("ip"), QStringLiteral("-6"), QStringLiteral("route")},
           {QStringLiteral("nft"), QStringLiteral("list"), QStringLiteral("ruleset")},
           {QStringLiteral("cat"), QStringLiteral("/etc/resolv.conf")}};
    QString snapshot;
    for (const QStringList& command : commands) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(command.first(), command.mid(1));
        process.waitForFinished(10000);
        snapshot += QStringLiteral("$ %1\n%2")
                        .arg(command.join(QLatin1Char(' ')), QString::fromUtf8(process.readAll()));
    }
    // An IPv6 address still in duplicate address detection just after the world came up is the
    // same address a moment later.
    return snapshot.remove(QStringLiteral(" tentative"));
}

// The first line where two snapshots differ, for a failure message; empty when they are equal.
inline QString SnapshotDifference(const QString& before, const QString& after)
{
    const QStringList a = before.split(QLatin1Char('\n'));
    const QStringList b = after.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
        const QString left = a.value(i, QStringLiteral("<end>"));
        const QString right = b.value(i, QStringLiteral("<end>"));
        if (left != right)
            return QStringLiteral("line %1: before \"%2\", now \"%3\"").arg(i + 1).arg(left, right);
    }
    return QString();
}

} // namespace E2e
