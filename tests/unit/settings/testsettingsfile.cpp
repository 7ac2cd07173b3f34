#include "settings/settingsfile.h"
#include "testfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <type_traits>
#include <unistd.h>
#include <variant>

namespace {

using Member = std::variant<bool VPNSettings::*, int VPNSettings::*, QString VPNSettings::*,
                            VPNSettings::ProxyType VPNSettings::*>;

// Every field of the record, by the name the rows use.
const QList<QPair<const char*, Member>>& Fields()
{
    // clang-format off
    static const QList<QPair<const char*, Member>> fields = {
        {"tcpServersEnabled", &VPNSettings::tcpServersEnabled}, {"tcpPort", &VPNSettings::tcpPort},
        {"pointToPointEnabled", &VPNSettings::pointToPointEnabled}, {"proxyType", &VPNSettings::proxyType},
        {"proxyAddress", &VPNSettings::proxyAddress}, {"proxyPort", &VPNSettings::proxyPort},
        {"proxyAuthEnabled", &VPNSettings::proxyAuthEnabled}, {"proxyUser", &VPNSettings::proxyUser},
        {"proxyPassword", &VPNSettings::proxyPassword},
        {"serversOnMainScreen", &VPNSettings::serversOnMainScreen},
        {"lastUsedServer", &VPNSettings::lastUsedServer}, {"favoriteServer", &VPNSettings::favoriteServer},
        {"forcedIpChangeEnabled", &VPNSettings::forcedIpChangeEnabled},
        {"autoIpChangeMinutes", &VPNSettings::autoIpChangeMinutes},
        {"autoConnect", &VPNSettings::autoConnect}, {"autoLaunch", &VPNSettings::autoLaunch},
        {"fastestServer", &VPNSettings::fastestServer}, {"tcpOnStartup", &VPNSettings::tcpOnStartup},
        {"smtpEnabled", &VPNSettings::smtpEnabled}, {"smtpAddress", &VPNSettings::smtpAddress},
        {"blockTrafficWhenDown", &VPNSettings::blockTrafficWhenDown},
        {"currentServerIndex", &VPNSettings::currentServerIndex},
    };
    // clang-format on
    return fields;
}

template<typename Value> QString Text(const Value& value)
{
    if constexpr (std::is_same_v<Value, QString>)
        return value;
    else
        return QString::number(int(value));
}

template<typename Value> void Assign(Value& field, const QString& text)
{
    if constexpr (std::is_same_v<Value, QString>)
        field = text;
    else
        field = Value(text.toInt());
}

// The fields that differ from a record with AutoLaunch off (what a file without that element
// reads as), as "name=value, ...".
QString Describe(const VPNSettings& settings)
{
    VPNSettings base;
    base.autoLaunch = false;
    QStringList texts;
    for (const auto& field : Fields()) {
        const auto text = [&field](const VPNSettings& s) {
            return std::visit([&s](auto member) { return Text(s.*member); }, field.second);
        };
        if (text(settings) != text(base))
            texts << QLatin1String(field.first) + QLatin1Char('=') + text(settings);
    }
    return texts.join(QStringLiteral(", "));
}

// Sets the fields of a "name=value, ..." text.
VPNSettings Record(const QString& fields)
{
    VPNSettings settings;
    for (const QString& field : fields.split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
        for (const auto& [name, member] : Fields()) {
            if (field.section(QLatin1Char('='), 0, 0) == QLatin1String(name))
                std::visit([&](auto m) { Assign(settings.*m, field.section(QLatin1Char('='), 1)); }, member);
        }
    }
    return settings;
}

} // namespace

class TestSettingsFile final : public QObject
{
    Q_OBJECT

private slots:
    // A record ("before") reads a file; the row gives the fields after, or the unchanged record
    // of a file that cannot be read.
    void read_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QByteArray>("xml"); // null: no file
        QTest::addColumn<QString>("after");
        // clang-format off
        QTest::newRow("port other than 80 reads as 443") << QString() << QByteArray("<Config><TCPServers enabled=\"1\" port=\"8080\"/></Config>") << QStringLiteral("tcpServersEnabled=1");
        QTest::newRow("port 80") << QString() << QByteArray("<Config><TCPServers enabled=\"1\" port=\"80\"/></Config>") << QStringLiteral("tcpServersEnabled=1, tcpPort=80");
        QTest::newRow("absent elements keep or reset their fields") << QStringLiteral("tcpServersEnabled=1, tcpPort=80, lastUsedServer=Kept, smtpEnabled=1, pointToPointEnabled=1, smtpAddress=smtp.example") << QByteArray("<Config/>") << QStringLiteral("tcpServersEnabled=1, tcpPort=80, lastUsedServer=Kept");
        QTest::newRow("lower-case http with empty port resets the proxy") << QString() << QByteArray("<Config><Proxy type=\"http\"><Server address=\"10.0.0.1\" port=\"\"/></Proxy></Config>") << QString();
        QTest::newRow("autodetect keeps empty fields") << QString() << QByteArray("<Config><Proxy type=\"autodetect\"><Server address=\"\" port=\"\"/></Proxy></Config>") << QStringLiteral("proxyType=4");
        QTest::newRow("authentication without proxy and credentials is off") << QString() << QByteArray("<Config><Proxy type=\"No Proxy\"><Authentication enabled=\"1\" user=\"\" password=\"\"/></Proxy></Config>") << QString();
        QTest::newRow("authentication under a complete HTTP proxy stays on") << QString() << QByteArray("<Config><Proxy type=\"HTTP\"><Server address=\"10.0.0.1\" port=\"3128\"/><Authentication enabled=\"1\" user=\"\" password=\"\"/></Proxy></Config>") << QStringLiteral("proxyType=1, proxyAddress=10.0.0.1, proxyPort=3128, proxyAuthEnabled=1");
        QTest::newRow("user up to the zero byte") << QString() << QByteArray("<Config><Proxy><Authentication enabled=\"0\" user=\"YWIAY2Q=\" password=\"c2VjcmV0\"/></Proxy></Config>") << QStringLiteral("proxyUser=ab, proxyPassword=secret");
        QTest::newRow("proxy without server keeps address and port") << QStringLiteral("proxyType=1, proxyAddress=10.0.0.1, proxyPort=8080") << QByteArray("<Config><Proxy type=\"SOCKS\"/></Config>") << QStringLiteral("proxyType=3, proxyAddress=10.0.0.1, proxyPort=8080");
        QTest::newRow("automatic change without forced change") << QString() << QByteArray("<Config><ChangeIP enabled=\"0\" auto=\"15\"/></Config>") << QStringLiteral("autoIpChangeMinutes=15");
        QTest::newRow("interval that is no number") << QString() << QByteArray("<Config><ChangeIP enabled=\"1\" auto=\"often\"/></Config>") << QStringLiteral("forcedIpChangeEnabled=1");
        QTest::newRow("root name is not examined, true only for exactly 1") << QString() << QByteArray("<Settings><AutoLaunch enabled=\"1\"/><FastestServer enabled=\"1\"/><AutoConnect enabled=\"true\"/><Unknown/></Settings>") << QStringLiteral("autoLaunch=1, fastestServer=1");
        QTest::newRow("old 8-bit file") << QString() << QByteArray("<Config><Servers lastUsed=\"Z\xfcrich\"/><Proxy><Authentication user=\"TfxsbGVy\"/></Proxy></Config>") << QStringLiteral("proxyUser=M\u00fcller, lastUsedServer=Z\u00fcrich");
        QTest::newRow("UTF-8 file") << QString() << QByteArray("<Config><Servers lastUsed=\"Z\xc3\xbcrich\"/><Proxy><Authentication user=\"TcO8bGxlcg==\"/></Proxy></Config>") << QStringLiteral("proxyUser=M\u00fcller, lastUsedServer=Z\u00fcrich");
        QTest::newRow("missing") << QStringLiteral("lastUsedServer=Kept") << QByteArray() << QStringLiteral("unreadable: lastUsedServer=Kept, autoLaunch=1");
        QTest::newRow("malformed") << QStringLiteral("lastUsedServer=Kept") << QByteArray("<Config>\n<AutoConnect enabled=\"1\"/>\n<TCPServers enabled=\"1\"\n") << QStringLiteral("unreadable: lastUsedServer=Kept, autoLaunch=1");
        // clang-format on
    }

    void read()
    {
        QFETCH(QString, before);
        QFETCH(QByteArray, xml);
        const QString path = m_dir.filePath(QStringLiteral("read.xml"));
        QFile::remove(path);
        if (!xml.isNull())
            QVERIFY(WriteFile(path, xml));
        VPNSettings settings = Record(before);
        const bool readable = SettingsFile::Read(path, settings);
        QTEST((readable ? QString() : QStringLiteral("unreadable: ")) + Describe(settings), "after");
    }

    void roundTrip()
    {
        // Every field changed; only the row in the list is not kept across runs.
        const QString fields = QStringLiteral(
            "tcpServersEnabled=1, tcpPort=80, pointToPointEnabled=1, proxyType=2, "
            "proxyAddress=proxy.example, "
            "proxyPort=3128, proxyAuthEnabled=1, proxyUser=J\u00fcrgen & \"Co\", "
            "proxyPassword=p\u00e4ss<word>\u2713, "
            "serversOnMainScreen=1, lastUsedServer=Z\u00fcrich #2 <fast>, favoriteServer=198.51.100.7, "
            "forcedIpChangeEnabled=1, autoIpChangeMinutes=30, autoConnect=1, autoLaunch=1, fastestServer=1, "
            "tcpOnStartup=1, "
            "smtpEnabled=1, ");
        // Characters XML cannot hold are left out instead of making the whole file unreadable.
        const VPNSettings written = Record(
            fields
            + QStringLiteral(
                "smtpAddress=smtp\u0001.example\u001b[0m, blockTrafficWhenDown=1, currentServerIndex=5"));
        const QString path = m_dir.filePath(QStringLiteral("roundtrip.xml"));
        QVERIFY(SettingsFile::Write(path, written));
        VPNSettings read;
        QVERIFY(SettingsFile::Read(path, read));
        QCOMPARE(Describe(read),
                 fields + QStringLiteral("smtpAddress=smtp.example[0m, blockTrafficWhenDown=1"));

        // The layout earlier versions write: no declaration, UTF-8, indented by four, this order.
        const QByteArray content = ReadFile(path);
        QVERIFY(!content.startsWith("<?xml"));
        QVERIFY(content.contains("lastUsed=\"Z\xc3\xbcrich #2"));
        QVERIFY(content.contains("\n    <TCPServers"));
        QVERIFY(content.contains("\n        <Server"));
        qsizetype previous = -1;
        for (const char* element : {"<Config", "<TCPServers", "<P2PConnection", "<Proxy", "<Server ",
                                    "<Authentication", "<Servers", "<ChangeIP", "<AutoConnect", "<AutoLaunch",
                                    "<FastestServer", "<TCPOnStartup", "<SMTPEmail", "<KillSwitch"}) {
            const qsizetype at = content.indexOf(element);
            QVERIFY2(at > previous, element);
            previous = at;
        }
        // Only 80 and 443 are written.
        QVERIFY(SettingsFile::Serialize(Record(QStringLiteral("tcpPort=8080"))).contains("port=\"443\""));
    }

    void ownerOnlyAndReplacedAtomically()
    {
        const QString path = m_dir.filePath(QStringLiteral("private.xml"));
        QVERIFY(WriteFile(path, "<Config/>"));
        QVERIFY(QFile::setPermissions(
            path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
        // A second name for the old file: had it been rewritten in place, this name would show the
        // new content (and, for a moment, a half-written file).
        const QString oldLink = m_dir.filePath(QStringLiteral("private-old.xml"));
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(oldLink).constData()), 0);

        QVERIFY(SettingsFile::Write(path, Record(QStringLiteral("proxyPassword=secret"))));
        QCOMPARE(FileMode(path), 0600u);
        QCOMPARE(ReadFile(oldLink), QByteArray("<Config/>"));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "testsettingsfile.moc"
