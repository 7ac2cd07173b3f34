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
    void hoverPressAndReleaseChangeTheLookAndClickAfterRelease()
    {
        HkWindowButtonView view(nullptr, QRect(0, 0, 120, 40), true);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        HkWindowButton* close = view.CloseButton();
        QSignalSpy clicked(close, &HkWindowButton::Clicked);
        const QPoint centre = CentreOf(view, close);

        QTest::mouseMove(view.viewport(), centre);
        QTRY_COMPARE(close->HoverOpacity(), 1.0);
        QCOMPARE(close->GlowOpacity(), 0.8);
        QCOMPARE(close->PressedOpacity(), 0.0);

        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(close->PressedOpacity(), 1.0);
        QCOMPARE(clicked.count(), 0);

        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(close->PressedOpacity(), 0.0);
        // The click comes later, after the release has been painted.
        QCOMPARE(clicked.count(), 0);
        QVERIFY(clicked.wait());
        QCOMPARE(clicked.count(), 1);
    }

    void hoverLeaveClearsEverythingEvenWhileHeld()
    {
        HkWindowButtonView view(nullptr, QRect(0, 0, 120, 40), true);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        HkWindowButton* minimize = view.MinimizeButton();
        const QPoint centre = CentreOf(view, minimize);
        QTest::mouseMove(view.viewport(), centre);
        QTRY_COMPARE(minimize->HoverOpacity(), 1.0);
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(minimize->PressedOpacity(), 1.0);

        // Leave through a synthetic hover leave: the grab keeps mouse moves on the button.
        QGraphicsSceneHoverEvent leave(QEvent::GraphicsSceneHoverLeave);
        view.scene()->sendEvent(minimize->NormalItem(), &leave);
        QCOMPARE(minimize->HoverOpacity(), 0.0);
        QCOMPARE(minimize->PressedOpacity(), 0.0);
        QCOMPARE(minimize->GlowOpacity(), 0.0);
    }

    void releaseAwayFromTheButtonDoesNotClick()
    {
        HkWindowButtonView view(nullptr, QRect(0, 0, 120, 40), true);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy closeClicked(&view, &HkWindowButtonView::CloseClicked);
        const QPoint centre = CentreOf(view, view.CloseButton());
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, QPoint(2, 38));
        QVERIFY(!closeClicked.wait(HkWindowButton::ClickDelayMs * 3));
    }

    void eachButtonReportsItsOwnSignal_data()
    {
        QTest::addColumn<bool>("withMinimize");
        QTest::addColumn<bool>("pressMinimize");
        QTest::newRow("minimize") << true << true;
        QTest::newRow("close beside minimize") << true << false;
        QTest::newRow("close alone") << false << false;
    }

    void eachButtonReportsItsOwnSignal()
    {
        QFETCH(bool, withMinimize);
        QFETCH(bool, pressMinimize);
        HkWindowButtonView view(nullptr, QRect(0, 0, 120, 40), withMinimize);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy minimizeClicked(&view, &HkWindowButtonView::MinimizeClicked);
        QSignalSpy closeClicked(&view, &HkWindowButtonView::CloseClicked);
        QCOMPARE(view.MinimizeButton() != nullptr, withMinimize);

        HkWindowButton* target = pressMinimize ? view.MinimizeButton() : view.CloseButton();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, CentreOf(view, target));
        QSignalSpy& expected = pressMinimize ? minimizeClicked : closeClicked;
        QVERIFY(expected.wait());
        QCOMPARE(minimizeClicked.count() + closeClicked.count(), 1);

        // The close button sits right of the minimize button when there is one.
        const qreal closeLeft = view.CloseButton()->NormalItem()->scenePos().x();
        QCOMPARE(closeLeft, -60 + 5 + (withMinimize ? view.MinimizeButton()->ImageWidth() : 0));
    }
};

QTEST_MAIN(TestHkWindowButtonView)
#include "testhkwindowbuttonview.moc"
