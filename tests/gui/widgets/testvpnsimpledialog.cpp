#include "widgets/hkwindowbuttonview.h"
#include "widgets/vpnsimpledialog.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

// The message dialog: one report per close, and dragging by the caption strip alone.
class TestVPNSimpleDialog final : public QObject
{
    Q_OBJECT

private:
    static QPushButton* Button(VPNSimpleDialog& dialog, const char* name)
    {
        return dialog.findChild<QPushButton*>(QLatin1String(name));
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
        QTest::newRow("close() after an earlier showing's primary") << QStringLiteral("again") << false;
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
            emit dialog.findChild<HkWindowButtonView*>()->CloseClicked(); // a click: see its own test
        } else if (how == QLatin1String("close")) {
            dialog.close();
        } else if (how == QLatin1String("both")) {
            QTest::mouseClick(Button(dialog, "PrimaryButton"), Qt::LeftButton);
            QTest::mouseClick(Button(dialog, "SecondaryButton"), Qt::LeftButton);
        } else {
            // The dialog is reused for every question: an old answer must not carry over.
            QTest::mouseClick(Button(dialog, "PrimaryButton"), Qt::LeftButton);
            QVERIFY(primary.wait());
            primary.clear();
            dialog.show();
            dialog.close();
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

    void dragsOnlyFromTheCaptionStrip_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<bool>("moves");
        QTest::newRow("last row of the strip") << QPoint(10, 40) << true;
        QTest::newRow("first row below the strip") << QPoint(10, 41) << false;
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
