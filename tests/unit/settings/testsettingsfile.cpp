#include "settings/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(VPNSettings)

namespace {

// What a file holding only the given elements leaves of the defaults: the on/off switches
// that default to "absent means off" are off.
VPNSettings AfterSparseFile()
{
    VPNSettings s;
    s.autoLaunch = false;
    return s;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteRaw(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

mode_t FileMode(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

ino_t FileInode(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

} // namespace

class TestSettingsFile final : public QObject
{
    Q_OBJECT

private slots:
    void readingRules_data();
    void readingRules();
    void roundTrip();
    void writtenLayout();
    void unreadableFileChangesNothing_data();
    void unreadableFileChangesNothing();
    void ownerOnlyAndReplacedAtomically();

private:
    QTemporaryDir m_dir;
};

void TestSettingsFile::readingRules_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<VPNSettings>("before");
    QTest::addColumn<VPNSettings>("expected");

    const VPNSettings defaults;
    VPNSettings e = AfterSparseFile();

    e.tcpServersEnabled = true;
    QTest::newRow("port 8080 reads as 443")
        << QByteArray("<Config><TCPServers enabled=\"1\" port=\"8080\"/></Config>") << defaults << e;
    QTest::newRow("port abc reads as 443")
        << QByteArray("<Config><TCPServers enabled=\"1\" port=\"abc\"/></Config>") << defaults << e;
    e.tcpPort = 80;
    QTest::newRow("port 80") << QByteArray("<Config><TCPServers enabled=\"1\" port=\"80\"/></Config>")
                             << defaults << e;

    VPNSettings tcpBefore;
    tcpBefore.tcpServersEnabled = true;
    tcpBefore.tcpPort = 80;
    tcpBefore.lastUsedServer = QStringLiteral("Kept");
    tcpBefore.smtpEnabled = true;
    tcpBefore.smtpAddress = QStringLiteral("smtp.example");
    tcpBefore.pointToPointEnabled = true;
    e = tcpBefore;
    e.autoLaunch = false;
    e.smtpEnabled = false;
    e.smtpAddress.clear();
    e.pointToPointEnabled = false;
    QTest::newRow("absent elements keep or reset their fields") << QByteArray("<Config/>") << tcpBefore << e;

    e = AfterSparseFile();
    QTest::newRow("lower-case http with empty port resets the proxy") << QByteArray(
        "<Config><Proxy type=\"http\"><Server address=\"10.0.0.1\" port=\"\"/></Proxy></Config>")
                                                                      << defaults << e;
    e.proxyType = VPNSettings::Autodetect;
    QTest::newRow("autodetect keeps empty fields")
        << QByteArray("<Config><Proxy type=\"autodetect\"><Server address=\"\" port=\"\"/></Proxy></Config>")
        << defaults << e;

    e = AfterSparseFile();
    QTest::newRow("authentication without proxy and credentials is off")
        << QByteArray("<Config><Proxy type=\"No Proxy\"><Authentication enabled=\"1\" user=\"\" "
                      "password=\"\"/></Proxy></Config>")
        << defaults << e;
    e.SetProxy(VPNSettings::Http, QStringLiteral("10.0.0.1"), QStringLiteral("3128"));
    e.proxyAuthEnabled = true;
    QTest::newRow("authentication under a complete HTTP proxy stays on")
        << QByteArray("<Config><Proxy type=\"HTTP\"><Server address=\"10.0.0.1\" port=\"3128\"/>"
                      "<Authentication enabled=\"1\" user=\"\" password=\"\"/></Proxy></Config>")
        << defaults << e;

    e = AfterSparseFile();
    e.proxyUser = QStringLiteral("ab");
    e.proxyPassword = QStringLiteral("secret");
    e.proxyAuthEnabled = false;
    QTest::newRow("user up to the zero byte")
        << QByteArray("<Config><Proxy><Authentication enabled=\"0\" user=\"YWIAY2Q=\" "
                      "password=\"c2VjcmV0\"/></Proxy></Config>")
        << defaults << e;

    VPNSettings proxyBefore;
    proxyBefore.SetProxy(VPNSettings::Http, QStringLiteral("10.0.0.1"), QStringLiteral("8080"));
    e = proxyBefore;
    e.autoLaunch = false;
    e.proxyType = VPNSettings::Socks;
    QTest::newRow("proxy without server keeps address and port")
        << QByteArray("<Config><Proxy type=\"SOCKS\"/></Config>") << proxyBefore << e;

    e = AfterSparseFile();
    e.autoIpChangeMinutes = 15;
    QTest::newRow("automatic change without forced change")
        << QByteArray("<Config><ChangeIP enabled=\"0\" auto=\"15\"/></Config>") << defaults << e;
    e.autoIpChangeMinutes = 0;
    e.forcedIpChangeEnabled = true;
    QTest::newRow("interval that is no number")
        << QByteArray("<Config><ChangeIP enabled=\"1\" auto=\"often\"/></Config>") << defaults << e;

    e = AfterSparseFile();
    e.autoLaunch = true;
    e.fastestServer = true;
    QTest::newRow("root name is not examined, true only for exactly 1")
        << QByteArray("<Settings><AutoLaunch enabled=\"1\"/><FastestServer enabled=\"1\"/>"
                      "<AutoConnect enabled=\"true\"/><Unknown/></Settings>")
        << defaults << e;

    e = AfterSparseFile();
    e.lastUsedServer = QStringLiteral("Z\u00fcrich");
    e.proxyUser = QStringLiteral("M\u00fcller");
    QTest::newRow("old 8-bit file") << QByteArray(
        "<Config><Servers lastUsed=\"Z\xfcrich\"/><Proxy><Authentication user=\"TfxsbGVy\"/>"
        "</Proxy></Config>") << defaults
                                    << e;
    QTest::newRow("UTF-8 file") << QByteArray(
        "<Config><Servers lastUsed=\"Z\xc3\xbcrich\"/><Proxy><Authentication "
        "user=\"TcO8bGxlcg==\"/></Proxy></Config>")
                                << defaults << e;
}

void TestSettingsFile::readingRules()
{
    QFETCH(QByteArray, xml);
    QFETCH(VPNSettings, before);
    QFETCH(VPNSettings, expected);

    const QString path = m_dir.filePath(QStringLiteral("rules.xml"));
    QVERIFY(WriteRaw(path, xml));
    VPNSettings settings = before;
    QVERIFY(SettingsFile::Read(path, settings));
    QVERIFY(settings == expected);
}

void TestSettingsFile::roundTrip()
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
    VPNSettings read;
    QVERIFY(SettingsFile::Read(path, read));
    QCOMPARE(read.smtpAddress, QStringLiteral("smtp.example[0m"));
    QCOMPARE(read.currentServerIndex, -1); // not kept across runs
    read.smtpAddress = s.smtpAddress;
    read.currentServerIndex = s.currentServerIndex;
    QVERIFY(read == s);
}

void TestSettingsFile::writtenLayout()
{
    VPNSettings s;
    s.lastUsedServer = QStringLiteral("Z\u00fcrich");
    s.tcpPort = 8080; // only 80 and 443 are written
    const QString path = m_dir.filePath(QStringLiteral("layout.xml"));
    QVERIFY(SettingsFile::Write(path, s));
    const QByteArray content = ReadAll(path);

    QVERIFY(!content.startsWith("<?xml"));
    QVERIFY(content.contains("lastUsed=\"Z\xc3\xbcrich\""));
    QVERIFY(content.contains("\n    <TCPServers"));
    QVERIFY(content.contains("\n        <Server"));
    QVERIFY(content.contains("port=\"443\""));
    const QList<QByteArray> order
        = {"<Config",         "<TCPServers",   "<P2PConnection", "<Proxy",       "<Server ",
           "<Authentication", "<Servers",      "<ChangeIP",      "<AutoConnect", "<AutoLaunch",
           "<FastestServer",  "<TCPOnStartup", "<SMTPEmail"};
    qsizetype previous = -1;
    for (const QByteArray& element : order) {
        const qsizetype at = content.indexOf(element);
        QVERIFY2(at > previous, element.constData());
        previous = at;
    }
}

void TestSettingsFile::unreadableFileChangesNothing_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no file
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("malformed") << QByteArray(
        "<Config>\n<AutoConnect enabled=\"1\"/>\n<TCPServers enabled=\"1\"\n");
}

void TestSettingsFile::unreadableFileChangesNothing()
{
    QFETCH(QByteArray, content);
    const QString path = m_dir.filePath(QStringLiteral("unreadable.xml"));
    QFile::remove(path);
    if (!content.isNull())
        QVERIFY(WriteRaw(path, content));
    VPNSettings settings;
    settings.lastUsedServer = QStringLiteral("Kept");
    const VPNSettings before = settings;
    QVERIFY(!SettingsFile::Read(path, settings));
    QVERIFY(settings == before);
}

void TestSettingsFile::ownerOnlyAndReplacedAtomically()
{
    const QString path = m_dir.filePath(QStringLiteral("private.xml"));
    QVERIFY(WriteRaw(path, "<Config/>"));
    QVERIFY(QFile::setPermissions(path,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
    // A second name for the old file shows whether it was rewritten in place or replaced.
    const QString oldLink = m_dir.filePath(QStringLiteral("private-old.xml"));
    QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(oldLink).constData()), 0);
    const ino_t oldInode = FileInode(path);

    VPNSettings s;
    s.SetProxyAuthentication(true, QStringLiteral("user"), QStringLiteral("secret"));
    QVERIFY(SettingsFile::Write(path, s));
    QCOMPARE(FileMode(path), mode_t(0600));
    QVERIFY(FileInode(path) != oldInode);
    QCOMPARE(ReadAll(oldLink), QByteArray("<Config/>"));
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "testsettingsfile.moc"
