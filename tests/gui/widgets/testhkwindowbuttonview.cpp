#include "widgets/hkwindowbutton.h"
#include "widgets/hkwindowbuttonview.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsSceneHoverEvent>
#include <QSignalSpy>
#include <QTest>

// The chrome buttons: hover, press and release looks, and Clicked() only after a release.
class TestHkWindowButtonView final : public QObject
{
    Q_OBJECT

private:
    static QPoint CentreOf(const HkWindowButtonView& view, const HkWindowButton* button)
    {
        const QGraphicsPixmapItem* item = button->NormalItem();
        return view.mapFromScene(item->mapToScene(item->boundingRect().center()));
    }

private slots:
    void looksFollowTheMouse()
    {
        HkWindowButtonView view(nullptr, QRect(0, 0, 120, 40), true);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        HkWindowButton* close = view.CloseButton();
        const QPoint centre = CentreOf(view, close);
        QTest::mouseMove(view.viewport(), centre);
        QTRY_COMPARE(close->HoverOpacity(), 1.0);
        QVERIFY(close->GlowOpacity() > 0.0);
        QCOMPARE(close->PressedOpacity(), 0.0);
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(close->PressedOpacity(), 1.0);
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(close->PressedOpacity(), 0.0);

        // A hover leave while held clears every layer (the grab keeps moves on the button).
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, centre);
        QGraphicsSceneHoverEvent leave(QEvent::GraphicsSceneHoverLeave);
        view.scene()->sendEvent(close->NormalItem(), &leave);
        QCOMPARE(close->HoverOpacity() + close->PressedOpacity() + close->GlowOpacity(), 0.0);
    }

    void eachButtonReportsItsOwnSignal_data()
    {
        QTest::addColumn<bool>("withMinimize");
        QTest::addColumn<bool>("pressMinimize");
        QTest::addColumn<bool>("releaseAway");
        QTest::newRow("minimize") << true << true << false;
        QTest::newRow("close beside minimize") << true << false << false;
        QTest::newRow("close alone") << false << false << false;
        QTest::newRow("released away from close: nothing") << true << false << true;
    }

    void eachButtonReportsItsOwnSignal()
    {
        QFETCH(bool, withMinimize);
        QFETCH(bool, pressMinimize);
        QFETCH(bool, releaseAway);
        HkWindowButtonView view(nullptr, QRect(0, 0, 120, 40), withMinimize);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy minimizeClicked(&view, &HkWindowButtonView::MinimizeClicked);
        QSignalSpy closeClicked(&view, &HkWindowButtonView::CloseClicked);
        QCOMPARE(view.MinimizeButton() != nullptr, withMinimize);

        const QPoint centre = CentreOf(view, pressMinimize ? view.MinimizeButton() : view.CloseButton());
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, releaseAway ? QPoint(2, 38) : centre);
        // The click comes later, after the release has been painted.
        QCOMPARE(minimizeClicked.count() + closeClicked.count(), 0);
        QSignalSpy& expected = pressMinimize ? minimizeClicked : closeClicked;
        QCOMPARE(expected.wait(releaseAway ? HkWindowButton::ClickDelayMs * 3 : 5000), !releaseAway);
        QCOMPARE(minimizeClicked.count() + closeClicked.count(), releaseAway ? 0 : 1);
    }
};

QTEST_MAIN(TestHkWindowButtonView)
#include "testhkwindowbuttonview.moc"
