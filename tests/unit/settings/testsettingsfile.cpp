#include "settings/settingsfile.h"
#include "testfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <unistd.h>

using Edit = std::function<void(VPNSettings&)>;
Q_DECLARE_METATYPE(Edit)

class TestSettingsFile final : public QObject
{
    Q_OBJECT

private slots:
    // What reading a file makes of a record: "before" is applied to the defaults first, "change"
    // is what the file changes besides AutoLaunch, which is off whenever its element is absent.
    // A file that cannot be read changes nothing.
    void read_data()
    {
        QTest::addColumn<QByteArray>("xml"); // null: no file
        QTest::addColumn<Edit>("before");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<Edit>("change");
        const Edit none = [](VPNSettings&) {};
        const Edit zurich = [](VPNSettings& s) {
            s.lastUsedServer = QStringLiteral("Z\u00fcrich");
            s.proxyUser = QStringLiteral("M\u00fcller");
        };

        QTest::newRow("port other than 80 reads as 443")
            << QByteArray("<Config><TCPServers enabled=\"1\" port=\"8080\"/></Config>") << none << true
            << Edit([](VPNSettings& s) { s.tcpServersEnabled = true; });
        QTest::newRow("port 80") << QByteArray("<Config><TCPServers enabled=\"1\" port=\"80\"/></Config>")
                                 << none << true << Edit([](VPNSettings& s) {
                                        s.tcpServersEnabled = true;
                                        s.tcpPort = 80;
                                    });
        QTest::newRow("absent elements keep or reset their fields")
            << QByteArray("<Config/>") << Edit([](VPNSettings& s) {
                   s.tcpServersEnabled = true;
                   s.tcpPort = 80;
                   s.lastUsedServer = QStringLiteral("Kept");
                   s.smtpEnabled = s.pointToPointEnabled = true;
                   s.smtpAddress = QStringLiteral("smtp.example");
               })
            << true << Edit([](VPNSettings& s) {
                   s.smtpEnabled = s.pointToPointEnabled = false;
                   s.smtpAddress.clear();
               });
        QTest::newRow("lower-case http with empty port resets the proxy") << QByteArray(
            "<Config><Proxy type=\"http\"><Server address=\"10.0.0.1\" port=\"\"/></Proxy></Config>")
                                                                          << none << true << none;
        QTest::newRow("autodetect keeps empty fields")
            << QByteArray(
                   "<Config><Proxy type=\"autodetect\"><Server address=\"\" port=\"\"/></Proxy></Config>")
            << none << true << Edit([](VPNSettings& s) { s.proxyType = VPNSettings::Autodetect; });
        QTest::newRow("authentication without proxy and credentials is off")
            << QByteArray("<Config><Proxy type=\"No Proxy\"><Authentication enabled=\"1\" user=\"\" "
                          "password=\"\"/></Proxy></Config>")
            << none << true << none;
        QTest::newRow("authentication under a complete HTTP proxy stays on")
            << QByteArray("<Config><Proxy type=\"HTTP\"><Server address=\"10.0.0.1\" port=\"3128\"/>"
                          "<Authentication enabled=\"1\" user=\"\" password=\"\"/></Proxy></Config>")
            << none << true << Edit([](VPNSettings& s) {
                   s.SetProxy(VPNSettings::Http, QStringLiteral("10.0.0.1"), QStringLiteral("3128"));
                   s.proxyAuthEnabled = true;
               });
        QTest::newRow("user up to the zero byte")
            << QByteArray("<Config><Proxy><Authentication enabled=\"0\" user=\"YWIAY2Q=\" "
                          "password=\"c2VjcmV0\"/></Proxy></Config>")
            << none << true << Edit([](VPNSettings& s) {
                   s.proxyUser = QStringLiteral("ab");
                   s.proxyPassword = QStringLiteral("secret");
               });
        QTest::newRow("proxy without server keeps address and port")
            << QByteArray("<Config><Proxy type=\"SOCKS\"/></Config>") << Edit([](VPNSettings& s) {
                   s.SetProxy(VPNSettings::Http, QStringLiteral("10.0.0.1"), QStringLiteral("8080"));
               })
            << true << Edit([](VPNSettings& s) { s.proxyType = VPNSettings::Socks; });
        QTest::newRow("automatic change without forced change")
            << QByteArray("<Config><ChangeIP enabled=\"0\" auto=\"15\"/></Config>") << none << true
            << Edit([](VPNSettings& s) { s.autoIpChangeMinutes = 15; });
        QTest::newRow("interval that is no number")
            << QByteArray("<Config><ChangeIP enabled=\"1\" auto=\"often\"/></Config>") << none << true
            << Edit([](VPNSettings& s) { s.forcedIpChangeEnabled = true; });
        QTest::newRow("root name is not examined, true only for exactly 1")
            << QByteArray("<Settings><AutoLaunch enabled=\"1\"/><FastestServer enabled=\"1\"/>"
                          "<AutoConnect enabled=\"true\"/><Unknown/></Settings>")
            << none << true << Edit([](VPNSettings& s) { s.autoLaunch = s.fastestServer = true; });
        QTest::newRow("old 8-bit file") << QByteArray("<Config><Servers lastUsed=\"Z\xfcrich\"/><Proxy>"
                                                      "<Authentication user=\"TfxsbGVy\"/></Proxy></Config>")
                                        << none << true << zurich;
        QTest::newRow("UTF-8 file") << QByteArray("<Config><Servers lastUsed=\"Z\xc3\xbcrich\"/><Proxy>"
                                                  "<Authentication user=\"TcO8bGxlcg==\"/></Proxy></Config>")
                                    << none << true << zurich;
        const Edit kept = [](VPNSettings& s) { s.lastUsedServer = QStringLiteral("Kept"); };
        QTest::newRow("missing") << QByteArray() << kept << false << none;
        QTest::newRow("malformed") << QByteArray(
            "<Config>\n<AutoConnect enabled=\"1\"/>\n<TCPServers enabled=\"1\"\n")
                                   << kept << false << none;
    }

    void read()
    {
        QFETCH(QByteArray, xml);
        QFETCH(Edit, before);
        QFETCH(bool, readable);
        QFETCH(Edit, change);
        const QString path = m_dir.filePath(QStringLiteral("read.xml"));
        QFile::remove(path);
        if (!xml.isNull())
            QVERIFY(WriteFile(path, xml));
        VPNSettings settings;
        before(settings);
        VPNSettings expected = settings;
        if (readable) {
            expected.autoLaunch = false;
            change(expected);
        }
        QCOMPARE(SettingsFile::Read(path, settings), readable);
        QVERIFY(settings == expected);
    }

    void roundTrip()
    {
        VPNSettings s;
        s.tcpServersEnabled = true;
        s.tcpPort = 80;
        s.pointToPointEnabled = true;
        s.SetProxy(VPNSettings::Https, QStringLiteral("proxy.example"), QStringLiteral("3128"));
        s.SetProxyAuthentication(true, QStringLiteral("J\u00fcrgen & \"Co\""),
                                 QStringLiteral("p\u00e4ss<word>\u2713"));
        s.serversOnMainScreen = true;
        s.lastUsedServer = QStringLiteral("Z\u00fcrich #2 <fast>");
        s.favoriteServer = QStringLiteral("198.51.100.7");
        s.forcedIpChangeEnabled = true;
        s.autoIpChangeMinutes = 30;
        s.autoConnect = true;
        s.autoLaunch = false;
        s.fastestServer = true;
        s.tcpOnStartup = true;
        s.smtpEnabled = true;
        // Characters XML cannot hold are left out instead of making the whole file unreadable.
        s.smtpAddress = QStringLiteral("smtp\u0001.example\u001b[0m");
        s.currentServerIndex = 5;

        const QString path = m_dir.filePath(QStringLiteral("roundtrip.xml"));
        QVERIFY(SettingsFile::Write(path, s));
        // The layout earlier versions write: no declaration, UTF-8, indented by four, this order.
        const QByteArray content = ReadFile(path);
        QVERIFY(!content.startsWith("<?xml"));
        QVERIFY(content.contains("lastUsed=\"Z\xc3\xbcrich #2"));
        QVERIFY(content.contains("\n    <TCPServers"));
        QVERIFY(content.contains("\n        <Server"));
        qsizetype previous = -1;
        for (const char* element :
             {"<Config", "<TCPServers", "<P2PConnection", "<Proxy", "<Server ", "<Authentication", "<Servers",
              "<ChangeIP", "<AutoConnect", "<AutoLaunch", "<FastestServer", "<TCPOnStartup", "<SMTPEmail"}) {
            const qsizetype at = content.indexOf(element);
            QVERIFY2(at > previous, element);
            previous = at;
        }

        VPNSettings read;
        QVERIFY(SettingsFile::Read(path, read));
        QCOMPARE(read.smtpAddress, QStringLiteral("smtp.example[0m"));
        QCOMPARE(read.currentServerIndex, -1); // not kept across runs
        read.smtpAddress = s.smtpAddress;
        read.currentServerIndex = s.currentServerIndex;
        QVERIFY(read == s);

        s.tcpPort = 8080; // only 80 and 443 are written
        QVERIFY(SettingsFile::Serialize(s).contains("port=\"443\""));
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

        VPNSettings s;
        s.SetProxyAuthentication(true, QStringLiteral("user"), QStringLiteral("secret"));
        QVERIFY(SettingsFile::Write(path, s));
        QCOMPARE(FileMode(path), 0600u);
        QCOMPARE(ReadFile(oldLink), QByteArray("<Config/>"));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "testsettingsfile.moc"
