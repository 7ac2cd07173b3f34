#include "widgets/vpnconnectionindicator.h"
#include "widgets/vpngraphicstextitem.h"

#include <QSignalSpy>
#include <QTest>

// The status strip: which layer shows, how it fades, and its links.
class TestVPNConnectionIndicator final : public QObject
{
    Q_OBJECT

private slots:
    void disconnectedRightAfterConstructionFadesRedInOnly()
    {
        VPNConnectionIndicator indicator(nullptr, QRect(0, 0, 559, 28), Qt::white);
        QCOMPARE(indicator.GreenOpacity() + indicator.RedOpacity() + indicator.ErrorOpacity(), 0.0);
        indicator.ShowDisconnected();
        QVERIFY(indicator.RedOpacity() < 1.0);
        QTRY_COMPARE(indicator.RedOpacity(), 1.0);
        QCOMPARE(indicator.GreenOpacity(), 0.0);
        QCOMPARE(indicator.ErrorOpacity(), 0.0);
    }

    void connectedAfterMessageDropsTheBoxAtOnceAndFadesGreenIn()
    {
        VPNConnectionIndicator indicator(nullptr, QRect(0, 0, 559, 28), Qt::white);
        indicator.ShowMessage(QStringLiteral("AN ERROR OCCURRED."));
        QTRY_COMPARE(indicator.ErrorOpacity(), 1.0);
        indicator.ShowConnected();
        QCOMPARE(indicator.ErrorOpacity(), 0.0);
        QVERIFY(indicator.GreenOpacity() < 1.0);
        QTRY_COMPARE(indicator.GreenOpacity(), 1.0);
        QCOMPARE(indicator.RedOpacity(), 0.0);
    }

    void messageHidesBothRailsAtOnce()
    {
        VPNConnectionIndicator indicator(nullptr, QRect(0, 0, 559, 28), Qt::white);
        indicator.ShowConnected();
        QTRY_COMPARE(indicator.GreenOpacity(), 1.0);
        indicator.ShowMessage(QStringLiteral("THIS SERVER IS UNAVAILABLE."));
        QCOMPARE(indicator.GreenOpacity(), 0.0);
        QCOMPARE(indicator.MessageItem()->toPlainText(), QStringLiteral("THIS SERVER IS UNAVAILABLE."));
    }

    void longMessageShrinksToStayInTheBox()
    {
        VPNConnectionIndicator indicator(nullptr, QRect(0, 0, 559, 28), Qt::white);
        indicator.ShowMessage(QStringLiteral("SHORT"));
        QCOMPARE(indicator.MessageItem()->font().pixelSize(), VPNConnectionIndicator::MessagePixelSize);
        indicator.ShowMessage(
            QStringLiteral("THIS SERVER IS UNAVAILABLE. TRY AGAIN LATER OR TRY ANOTHER SERVER. "
                           "IF THE PROBLEM STAYS, SEND A REPORT AND CONTACT SUPPORT."));
        QVERIFY(indicator.MessageItem()->font().pixelSize() < VPNConnectionIndicator::MessagePixelSize);
        indicator.ShowMessage(QStringLiteral("SHORT AGAIN"));
        QCOMPARE(indicator.MessageItem()->font().pixelSize(), VPNConnectionIndicator::MessagePixelSize);
    }

    void clickingALinkEmitsItsTarget_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("restart") << QStringLiteral("restartLink");
        QTest::newRow("web address") << QStringLiteral("https://norvane.example/help");
    }

    void clickingALinkEmitsItsTarget()
    {
        QFETCH(QString, target);
        VPNConnectionIndicator indicator(nullptr, QRect(0, 0, 559, 28), Qt::white);
        indicator.show();
        QVERIFY(QTest::qWaitForWindowExposed(&indicator));
        QSignalSpy links(&indicator, &VPNConnectionIndicator::linkActivated);
        indicator.ShowMessage(QStringLiteral("<a href=\"%1\">RESTART RESTART RESTART</a>").arg(target));
        QTRY_COMPARE(indicator.ErrorOpacity(), 1.0);

        const VPNGraphicsTextItem* text = indicator.MessageItem();
        const QPoint linkCentre = indicator.mapFromScene(text->mapToScene(text->boundingRect().center()));
        QTest::mouseClick(indicator.viewport(), Qt::LeftButton, {}, linkCentre);
        QTRY_COMPARE(links.count(), 1);
        QCOMPARE(links.first().first().toString(), target);
        // The link stays clickable afterwards.
        QCOMPARE(text->textInteractionFlags(), Qt::LinksAccessibleByMouse);
    }
};

QTEST_MAIN(TestVPNConnectionIndicator)
#include "testvpnconnectionindicator.moc"
