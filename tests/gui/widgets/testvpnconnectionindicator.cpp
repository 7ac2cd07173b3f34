#include "widgets/vpnconnectionindicator.h"
#include "widgets/vpngraphicstextitem.h"

#include <QSignalSpy>
#include <QTest>

// The status strip: which layer shows, how it fades, and its links.
class TestVPNConnectionIndicator final : public QObject
{
    Q_OBJECT

private slots:
    // Each state fades in; the connected rail and a message hide the other layers at once.
    void eachStateFadesInAndHidesTheOthersAtOnce()
    {
        VPNConnectionIndicator indicator(nullptr, QRect(0, 0, 559, 28), Qt::white);
        const auto opacities = [&indicator] {
            return QList<qreal> {indicator.GreenOpacity(), indicator.RedOpacity(), indicator.ErrorOpacity()};
        };
        QCOMPARE(opacities(), QList<qreal>({0, 0, 0}));
        indicator.ShowDisconnected();
        QCOMPARE(opacities(), QList<qreal>({0, 0, 0}));
        QTRY_COMPARE(opacities(), QList<qreal>({0, 1, 0}));
        indicator.ShowConnected();
        QCOMPARE(opacities(), QList<qreal>({0, 0, 0}));
        QTRY_COMPARE(opacities(), QList<qreal>({1, 0, 0}));
        indicator.ShowMessage(QStringLiteral("AN ERROR OCCURRED."));
        QCOMPARE(opacities(), QList<qreal>({0, 0, 0}));
        QTRY_COMPARE(opacities(), QList<qreal>({0, 0, 1}));
        indicator.ShowConnected();
        QCOMPARE(opacities(), QList<qreal>({0, 0, 0}));
        QTRY_COMPARE(opacities(), QList<qreal>({1, 0, 0}));
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

    void clickingALinkEmitsItsTarget()
    {
        const QString target = QStringLiteral("restartLink");
        VPNConnectionIndicator indicator(nullptr, QRect(0, 0, 559, 28), Qt::white);
        indicator.show();
        QVERIFY(QTest::qWaitForWindowExposed(&indicator));
        QSignalSpy links(&indicator, &VPNConnectionIndicator::linkActivated);
        // A colour of the link's own, meant for a light background, gives way to the strip's.
        indicator.ShowMessage(
            QStringLiteral("<a href=\"%1\" style=\"color: #0000AA;\">RESTART RESTART RESTART</a>")
                .arg(target));
        QTRY_COMPARE(indicator.ErrorOpacity(), 1.0);

        const VPNGraphicsTextItem* text = indicator.MessageItem();
        QVERIFY(!text->toHtml().contains(QLatin1String("#0000aa"), Qt::CaseInsensitive));
        QVERIFY(text->toHtml().contains(QLatin1String("#7fe3d6")));
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
