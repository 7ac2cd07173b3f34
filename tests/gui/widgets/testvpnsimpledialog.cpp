#include "widgets/hkwindowbutton.h"
#include "widgets/hkwindowbuttonview.h"
#include "widgets/vpnsimpledialog.h"

#include <QGraphicsPixmapItem>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

// The message dialog: one report per close, its button modes, and dragging by the caption.
class TestVPNSimpleDialog final : public QObject
{
    Q_OBJECT

private:
    static QPushButton* Button(VPNSimpleDialog& dialog, const char* name)
    {
        return dialog.findChild<QPushButton*>(QLatin1String(name));
    }

    static void ClickCloseButton(VPNSimpleDialog& dialog)
    {
        auto* bar = dialog.findChild<HkWindowButtonView*>();
        const QGraphicsPixmapItem* item = bar->CloseButton()->NormalItem();
        const QPoint centre = bar->mapFromScene(item->mapToScene(item->boundingRect().center()));
        QTest::mouseClick(bar->viewport(), Qt::LeftButton, {}, centre);
    }

private slots:
    void everyCloseReportsExactlyOneSignal_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("expectPrimary");
        QTest::newRow("primary button") << QStringLiteral("primary") << true;
        QTest::newRow("secondary button") << QStringLiteral("secondary") << false;
        QTest::newRow("close button") << QStringLiteral("chrome") << false;
        QTest::newRow("close()") << QStringLiteral("close") << false;
        QTest::newRow("primary, then secondary in the delay") << QStringLiteral("both") << true;
    }

    void everyCloseReportsExactlyOneSignal()
    {
        QFETCH(QString, how);
        QFETCH(bool, expectPrimary);
        VPNSimpleDialog dialog;
        dialog.SetMessage(QStringLiteral("Message"), QStringLiteral("YES"), QStringLiteral("NO"),
                          VPNSimpleDialog::BothButtons);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QSignalSpy primary(&dialog, &VPNSimpleDialog::PrimaryPressed);
        QSignalSpy secondary(&dialog, &VPNSimpleDialog::SecondaryPressed);
        bool hiddenAtReport = false;
        const auto checkHidden = [&] { hiddenAtReport = !dialog.isVisible(); };
        connect(&dialog, &VPNSimpleDialog::PrimaryPressed, this, checkHidden);
        connect(&dialog, &VPNSimpleDialog::SecondaryPressed, this, checkHidden);

        if (how == QLatin1String("primary")) {
            QTest::mouseClick(Button(dialog, "PrimaryButton"), Qt::LeftButton);
        } else if (how == QLatin1String("secondary")) {
            QTest::mouseClick(Button(dialog, "SecondaryButton"), Qt::LeftButton);
        } else if (how == QLatin1String("chrome")) {
            ClickCloseButton(dialog);
        } else if (how == QLatin1String("close")) {
            dialog.close();
        } else {
            QTest::mouseClick(Button(dialog, "PrimaryButton"), Qt::LeftButton);
            QTest::mouseClick(Button(dialog, "SecondaryButton"), Qt::LeftButton);
        }
        // Nothing is reported before the dialog has closed.
        QCOMPARE(primary.count() + secondary.count(), 0);
        QSignalSpy& expected = expectPrimary ? primary : secondary;
        QVERIFY(expected.wait());
        QVERIFY(hiddenAtReport);
        // A second, delayed close of the same showing reports nothing more.
        QSignalSpy& other = expectPrimary ? secondary : primary;
        QVERIFY(!other.wait(VPNGenericDialog::CloseDelayMs * 4));
        QCOMPARE(primary.count() + secondary.count(), 1);
    }

    void aNewShowingStartsWithoutTheOldAnswer()
    {
        VPNSimpleDialog dialog;
        dialog.SetMessage(QStringLiteral("Message"), QStringLiteral("YES"), QStringLiteral("NO"), 2);
        QSignalSpy primary(&dialog, &VPNSimpleDialog::PrimaryPressed);
        QSignalSpy secondary(&dialog, &VPNSimpleDialog::SecondaryPressed);
        dialog.show();
        QTest::mouseClick(Button(dialog, "PrimaryButton"), Qt::LeftButton);
        QVERIFY(primary.wait());
        dialog.SetCaption(QStringLiteral("Something else"));
        dialog.show();
        QCOMPARE(dialog.Caption(), QStringLiteral("Warning"));
        dialog.close();
        QVERIFY(secondary.wait());
        QCOMPARE(primary.count(), 1);
    }

    void buttonModeChoosesTheButtons_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("primaryShown");
        QTest::addColumn<bool>("secondaryShown");
        QTest::newRow("0: primary only") << 0 << true << false;
        QTest::newRow("1: secondary only") << 1 << false << true;
        QTest::newRow("any other value: both") << 7 << true << true;
        QTest::newRow("negative: both") << -1 << true << true;
    }

    void buttonModeChoosesTheButtons()
    {
        QFETCH(int, mode);
        QFETCH(bool, primaryShown);
        QFETCH(bool, secondaryShown);
        VPNSimpleDialog dialog;
        dialog.SetMessage(QStringLiteral("Message"), QStringLiteral("Go"), QStringLiteral("Stay"), mode);
        dialog.show();
        QCOMPARE(Button(dialog, "PrimaryButton")->isVisible(), primaryShown);
        QCOMPARE(Button(dialog, "SecondaryButton")->isVisible(), secondaryShown);
        dialog.hide();
    }

    void dragsOnlyFromTheCaptionStrip_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<bool>("moves");
        QTest::newRow("on the caption") << QPoint(100, 20) << true;
        QTest::newRow("last row of the strip") << QPoint(10, 40) << true;
        QTest::newRow("first row below the strip") << QPoint(10, 41) << false;
        QTest::newRow("body") << QPoint(10, 120) << false;
    }

    void dragsOnlyFromTheCaptionStrip()
    {
        QFETCH(QPoint, press);
        QFETCH(bool, moves);
        VPNSimpleDialog dialog;
        dialog.move(200, 200);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint start = dialog.pos();
        QTest::mousePress(&dialog, Qt::LeftButton, {}, press);
        QTest::mouseMove(&dialog, press + QPoint(30, 20));
        QTest::mouseRelease(&dialog, Qt::LeftButton, {}, press + QPoint(30, 20));
        if (moves)
            QTRY_COMPARE(dialog.pos(), start + QPoint(30, 20));
        else
            QCOMPARE(dialog.pos(), start);
    }
};

QTEST_MAIN(TestVPNSimpleDialog)
#include "testvpnsimpledialog.moc"
