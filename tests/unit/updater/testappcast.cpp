#include "updater/appcast.h"
#include "updater/appcastautoupdater.h"

#include <QTest>

namespace {

using Outcome = UpdateCheckResult::Outcome;

const QUrl kFeedUrl(QStringLiteral("https://www.norvane.example/updates/linux/appcast.xml"));

QByteArray Feed(const QByteArray& items)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
           "<channel><title>Norvane</title>"
        + items + "</channel></rss>\n";
}

// An item whose enclosure carries the version, as most feeds write it.
QByteArray Item(const QByteArray& version)
{
    return "<item><title>Norvane " + version + "</title><enclosure url=\"https://dl.example/n_" + version
        + ".deb\" sparkle:version=\"" + version + "\" type=\"application/octet-stream\"/></item>";
}

} // namespace

// The feed is read from the network: which release counts as newest, how versions compare, and
// that a feed which is broken, empty or unlike any version fails rather than reporting "up to date".
class TestAppcast final : public QObject
{
    Q_OBJECT

private slots:
    void evaluate_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QString>("running");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("version");
        // clang-format off
        QTest::newRow("newer") << Feed(Item("1.2.0")) << QStringLiteral("1.1.9") << Outcome::NewerVersion << QStringLiteral("1.2.0");
        QTest::newRow("same, missing part is zero") << Feed(Item("1.2")) << QStringLiteral("1.2.0") << Outcome::UpToDate << QStringLiteral("1.2");
        QTest::newRow("older") << Feed(Item("1.0.5")) << QStringLiteral("1.1") << Outcome::UpToDate << QStringLiteral("1.0.5");
        QTest::newRow("1.10 after 1.9") << Feed(Item("1.10")) << QStringLiteral("1.9") << Outcome::NewerVersion << QStringLiteral("1.10");
        QTest::newRow("newest item in any order") << Feed(Item("1.9") + Item("1.10") + Item("1.2")) << QStringLiteral("1.9.5") << Outcome::NewerVersion << QStringLiteral("1.10");
        QTest::newRow("numbers beyond 64 bits") << Feed(Item("2.0.99999999999999999999")) << QStringLiteral("2.0.100") << Outcome::NewerVersion << QStringLiteral("2.0.99999999999999999999");
        QTest::newRow("leading zeros") << Feed(Item("1.010")) << QStringLiteral("1.9") << Outcome::NewerVersion << QStringLiteral("1.010");
        QTest::newRow("item element over enclosure") << Feed("<item><sparkle:version>3.0</sparkle:version><enclosure url=\"https://dl.example/n.deb\" sparkle:version=\"1.0\"/></item>") << QStringLiteral("2.0") << Outcome::NewerVersion << QStringLiteral("3.0");
        QTest::newRow("build number compared, short version shown") << Feed("<item><enclosure url=\"https://dl.example/n.deb\" sparkle:version=\"210\" sparkle:shortVersionString=\"2.1\"/></item>") << QStringLiteral("200") << Outcome::NewerVersion << QStringLiteral("2.1");
        QTest::newRow("non-numeric item skipped") << Feed(Item("2.0-beta") + Item("1.5")) << QStringLiteral("1.4") << Outcome::NewerVersion << QStringLiteral("1.5");
        QTest::newRow("only non-numeric items") << Feed(Item("next") + Item("2.0-beta")) << QStringLiteral("1.4") << Outcome::Failed << QStringLiteral("");
        QTest::newRow("non-numeric running version") << Feed(Item("1.0")) << QStringLiteral("") << Outcome::Failed << QStringLiteral("");
        QTest::newRow("no items") << Feed("") << QStringLiteral("1.0") << Outcome::Failed << QStringLiteral("");
        QTest::newRow("malformed XML") << QByteArray("<rss><channel><item><title>x</item>") << QStringLiteral("1.0") << Outcome::Failed << QStringLiteral("");
        QTest::newRow("broken after a good item") << Feed(Item("1.1")).replace("</channel>", "<item><title>") << QStringLiteral("1.0") << Outcome::Failed << QStringLiteral("");
        QTest::newRow("undeclared sparkle prefix") << QByteArray("<rss><channel>" + Item("2.0") + "</channel></rss>") << QStringLiteral("1.0") << Outcome::Failed << QStringLiteral("");
        QTest::newRow("not RSS") << QByteArray("<html><body>Moved</body></html>") << QStringLiteral("1.0") << Outcome::Failed << QStringLiteral("");
        // clang-format on
    }
    void evaluate()
    {
        QFETCH(QByteArray, feed);
        QFETCH(QString, running);
        QFETCH(Outcome, outcome);
        QFETCH(QString, version);
        const UpdateCheckResult result = AppcastAutoUpdater::Evaluate(feed, kFeedUrl, running);
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(result.version, version);
        QCOMPARE(result.runningVersion, running);
        QCOMPARE(result.error.isEmpty(), outcome != Outcome::Failed);
    }

    // What the dialog may show of a release: text without markup, and only https links.
    void untrustedContent_data()
    {
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<QString>("notes");
        QTest::addColumn<QString>("download");
        QTest::addColumn<QString>("notesLink");
        // clang-format off
        QTest::newRow("HTML in CDATA") << QByteArray("<description><![CDATA[<h2>New</h2>\n<p>Fixes &amp; <b>more</b>&#33;</p><script>alert(1)</script><ul><li>one</li><li>two</li></ul>]]></description>") << QStringLiteral("New\nFixes & more!\n\n- one\n- two") << QStringLiteral("https://dl.example/n.deb") << QStringLiteral("");
        QTest::newRow("escaped HTML, comments, bad references") << QByteArray("<description>&lt;p&gt;a&lt;!-- x --&gt;b &amp;#0; &amp;unknown;&lt;/p&gt;</description>") << QStringLiteral("ab \uFFFD &unknown;") << QStringLiteral("https://dl.example/n.deb") << QStringLiteral("");
        QTest::newRow("unclosed markup stays text") << QByteArray("<description><![CDATA[<p>1 < 2 <b]]></description>") << QStringLiteral("1 < 2 <b") << QStringLiteral("https://dl.example/n.deb") << QStringLiteral("");
        QTest::newRow("plain text keeps its lines") << QByteArray("<description>line one\n  line two&#x202E;</description>") << QStringLiteral("line one\nline two") << QStringLiteral("https://dl.example/n.deb") << QStringLiteral("");
        QTest::newRow("relative links resolve against the feed") << QByteArray("<sparkle:releaseNotesLink>notes/1.html</sparkle:releaseNotesLink>") << QStringLiteral("") << QStringLiteral("https://dl.example/n.deb") << QStringLiteral("https://www.norvane.example/updates/linux/notes/1.html");
        QTest::newRow("plain http dropped") << QByteArray("<sparkle:releaseNotesLink>http://www.norvane.example/n</sparkle:releaseNotesLink><enclosure url=\"http://dl.example/n.deb\" sparkle:version=\"9\"/>") << QStringLiteral("") << QStringLiteral("") << QStringLiteral("");
        QTest::newRow("javascript link dropped") << QByteArray("<sparkle:releaseNotesLink>javascript:alert(1)</sparkle:releaseNotesLink>") << QStringLiteral("") << QStringLiteral("https://dl.example/n.deb") << QStringLiteral("");
        // clang-format on
    }
    void untrustedContent()
    {
        QFETCH(QByteArray, item);
        QFETCH(QString, notes);
        QFETCH(QString, download);
        QFETCH(QString, notesLink);
        Appcast::Item newest;
        QString error;
        // The first enclosure counts; a row's own comes first.
        const QByteArray feed
            = Feed("<item><title>T</title>" + item
                   + "<enclosure url=\"https://dl.example/n.deb\" sparkle:version=\"9\"/></item>");
        QVERIFY2(Appcast::ParseNewest(feed, kFeedUrl, &newest, &error), qPrintable(error));
        QCOMPARE(newest.releaseNotes, notes);
        QCOMPARE(newest.downloadUrl.toString(), download);
        QCOMPARE(newest.releaseNotesLink.toString(), notesLink);
    }
};

QTEST_GUILESS_MAIN(TestAppcast)
#include "testappcast.moc"
