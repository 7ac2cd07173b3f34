#include "servers/vpncombobox.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QTest>

// The server choice box: its placeholder and its drop-down list.
class TestVPNComboBox final : public QObject
{
    Q_OBJECT

private:
    // Pixels close to a pure colour: the placeholder's glyphs in that colour.
    static int CountPixels(QWidget& widget, const QColor& ink)
    {
        const QImage image = widget.grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (qAbs(c.red() - ink.red()) < 40 && qAbs(c.green() - ink.green()) < 40
                    && qAbs(c.blue() - ink.blue()) < 40)
                    ++count;
            }
        }
        return count;
    }

private slots:
    void placeholderShowsOnlyWithoutCurrentItem()
    {
        VPNComboBox box;
        QCOMPARE(box.Placeholder(), QString());
        QPalette palette = box.palette();
        palette.setColor(QPalette::Active, QPalette::Text, Qt::red);
        palette.setColor(QPalette::Inactive, QPalette::Text, Qt::red);
        palette.setColor(QPalette::Disabled, QPalette::Text, Qt::green);
        palette.setColor(QPalette::ButtonText, Qt::black);
        box.setPalette(palette);
        box.resize(240, 30);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));

        QCOMPARE(CountPixels(box, Qt::red), 0);
        box.SetPlaceholder(QStringLiteral("CHOOSE A SERVER"));
        QCOMPARE(box.Placeholder(), QStringLiteral("CHOOSE A SERVER"));
        QVERIFY(CountPixels(box, Qt::red) > 0);
        QCOMPARE(CountPixels(box, Qt::green), 0);

        box.setEnabled(false);
        QVERIFY(CountPixels(box, Qt::green) > 0);
        QCOMPARE(CountPixels(box, Qt::red), 0);
        box.setEnabled(true);

        box.addItem(QStringLiteral("Japan Tokyo"));
        QCOMPARE(box.currentIndex(), 0);
        QCOMPARE(CountPixels(box, Qt::red), 0);

        box.setCurrentIndex(-1);
        QVERIFY(CountPixels(box, Qt::red) > 0);
    }

    void longListScrollsWithABar()
    {
        VPNComboBox box;
        for (int i = 0; i < 40; ++i)
            box.addItem(QStringLiteral("Server %1").arg(i));
        // The popup exists before the style sheet asks for a plain drop-down list.
        QVERIFY(box.view());
        box.setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
        box.resize(240, 30);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.showPopup();
        QTRY_VERIFY(box.view()->isVisible());
        QVERIFY(box.view()->verticalScrollBar()->isVisible());
        QVERIFY(box.view()->verticalScrollBar()->maximum() > 0);
        box.hidePopup();
    }
};

QTEST_MAIN(TestVPNComboBox)
#include "testvpncombobox.moc"
