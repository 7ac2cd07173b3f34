#include "urlrecorder.h"
#include "vpnupdatedialog.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextDocumentFragment>

namespace {

using Outcome = UpdateCheckResult::Outcome;

UpdateCheckResult Newer()
{
    UpdateCheckResult result;
    result.outcome = Outcome::NewerVersion;
    result.runningVersion = QStringLiteral("0.1.0");
    // A feed's short version string is free text.
    result.version = QStringLiteral("0.2<i>b</i>");
    result.title = QStringLiteral("Norvane <b>0.2</b>");
    result.releaseNotes = QStringLiteral("- Faster connects");
    result.downloadUrl = QUrl(QStringLiteral("https://dl.example/norvane_0.2_amd64.deb"));
    result.releaseNotesLink = QUrl(QStringLiteral("https://www.norvane.example/notes/0.2"));
    return result;
}

} // namespace

// What the update dialog tells the user for each answer, with the feed's texts shown as they are
// (markup in them stays text), and that its links open only the release's own addresses.
class TestVPNUpdateDialog final : public QObject
{
    Q_OBJECT

private:
    template<typename T> static T* Child(VPNUpdateDialog& dialog, const char* name)
    {
        return dialog.findChild<T*>(QLatin1String(name));
    }

private slots:
    void texts_data()
    {
        QTest::addColumn<bool>("checking");
        QTest::addColumn<UpdateCheckResult>("result");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("details");
        QTest::addColumn<QString>("links");
        UpdateCheckResult upToDate;
        upToDate.outcome = Outcome::UpToDate;
        upToDate.runningVersion = upToDate.version = QStringLiteral("0.1.0");
        UpdateCheckResult failed;
        failed.runningVersion = QStringLiteral("0.1.0");
        failed.error = QStringLiteral("Connection refused");
        UpdateCheckResult withoutLinks = Newer();
        withoutLinks.downloadUrl = withoutLinks.releaseNotesLink = QUrl();
        // clang-format off
        QTest::newRow("checking") << true << UpdateCheckResult() << QStringLiteral("Checking for updates...") << QString() << QString();
        QTest::newRow("newer") << false << Newer() << QStringLiteral("Version 0.2<i>b</i> is available. You have version 0.1.0.") << QStringLiteral("Norvane <b>0.2</b>\n\n- Faster connects") << QStringLiteral("Download version 0.2<i>b</i> Release notes");
        QTest::newRow("newer, no links") << false << withoutLinks << QStringLiteral("Version 0.2<i>b</i> is available. You have version 0.1.0.") << QStringLiteral("Norvane <b>0.2</b>\n\n- Faster connects") << QString();
        QTest::newRow("up to date") << false << upToDate << QStringLiteral("You have the newest version (0.1.0).") << QString() << QString();
        QTest::newRow("failed") << false << failed << QStringLiteral("The update check failed. Please try again later.") << QStringLiteral("Connection refused") << QString();
        // clang-format on
    }
    void texts()
    {
        QFETCH(bool, checking);
        QFETCH(UpdateCheckResult, result);
        QFETCH(QString, heading);
        QFETCH(QString, details);
        QFETCH(QString, links);
        VPNUpdateDialog dialog;
        // A result shown earlier leaves nothing behind.
        dialog.ShowResult(Newer());
        checking ? dialog.ShowChecking() : dialog.ShowResult(result);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.windowModality(), Qt::NonModal);
        QCOMPARE(dialog.Caption(), QStringLiteral("Update"));
        auto* headingLabel = Child<QLabel>(dialog, "HeadingLabel");
        QCOMPARE(headingLabel->textFormat(), Qt::PlainText);
        QCOMPARE(headingLabel->text(), heading);
        auto* detailsText = Child<QPlainTextEdit>(dialog, "DetailsText");
        QCOMPARE(detailsText->isVisible() ? detailsText->toPlainText() : QString(), details);
        auto* linksLabel = Child<QLabel>(dialog, "LinksLabel");
        QCOMPARE(linksLabel->isVisible()
                     ? QTextDocumentFragment::fromHtml(linksLabel->text()).toPlainText().simplified()
                     : QString(),
                 links);
    }

    void linksOpenOnlyTheReleaseAddresses()
    {
        VPNUpdateDialog dialog;
        dialog.ShowResult(Newer());
        UrlRecorder browser;
        auto* links = Child<QLabel>(dialog, "LinksLabel");
        emit links->linkActivated(QStringLiteral("download"));
        emit links->linkActivated(QStringLiteral("notes"));
        emit links->linkActivated(QStringLiteral("https://elsewhere.example/"));
        QCOMPARE(browser.urls, (QList<QUrl> {Newer().downloadUrl, Newer().releaseNotesLink}));
    }
};

QTEST_MAIN(TestVPNUpdateDialog)
#include "testvpnupdatedialog.moc"
