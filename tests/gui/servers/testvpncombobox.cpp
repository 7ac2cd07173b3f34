#include "servers/vpncombobox.h"
#include "servers/vpncomboboxhtmldelegate.h"
#include "servers/vpnserverlistmodel.h"

#include <QListView>
#include <QScrollBar>
#include <QTest>

// The server choice box: its placeholder, its drop-down list and the rich text of its rows.
class TestVPNComboBox final : public QObject
{
    Q_OBJECT

private:
    // Pixels of area close to ink: glyphs drawn in that colour.
    static int CountInk(const QImage& image, const QRect& area, const QColor& ink)
    {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (qAbs(qRed(c) - ink.red()) + qAbs(qGreen(c) - ink.green()) + qAbs(qBlue(c) - ink.blue())
                    < 60)
                    ++count;
            }
        }
        return count;
    }
    static int CountInk(QWidget& widget, const QColor& ink)
    {
        return CountInk(widget.grab().toImage(), widget.rect(), ink);
    }

private slots:
    void placeholderShowsOnlyWithoutCurrentItem()
    {
        VPNComboBox box;
        QPalette palette = box.palette();
        palette.setColor(QPalette::Active, QPalette::Text, Qt::red);
        palette.setColor(QPalette::Inactive, QPalette::Text, Qt::red);
        palette.setColor(QPalette::Disabled, QPalette::Text, Qt::green);
        palette.setColor(QPalette::ButtonText, Qt::black);
        box.setPalette(palette);
        box.resize(240, 30);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));

        QCOMPARE(CountInk(box, Qt::red), 0);
        box.SetPlaceholder(QStringLiteral("CHOOSE A SERVER"));
        QVERIFY(CountInk(box, Qt::red) > 0);
        box.setEnabled(false);
        QVERIFY(CountInk(box, Qt::green) > 0);
        QCOMPARE(CountInk(box, Qt::red), 0);
        box.setEnabled(true);
        box.addItem(QStringLiteral("Japan Tokyo"));
        QCOMPARE(CountInk(box, Qt::red), 0);
        box.setCurrentIndex(-1);
        QVERIFY(CountInk(box, Qt::red) > 0);
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

    void markup_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected"); // [ opens the "No P2P" colour, { the "P2P" one
        // The colour opens one character before the marker and closes two after its end, both
        // clamped to the name; "No P2P" wins over the "P2P" inside it.
        QTest::newRow("inside") << QStringLiteral("Germany (No P2P) Berlin") << "Germany [(No P2P) ]Berlin";
        QTest::newRow("at the end") << QStringLiteral("USA New York No P2P") << "USA New York[ No P2P]";
        QTest::newRow("at the start") << QStringLiteral("P2P Riga") << "{P2P R]iga";
        QTest::newRow("lower case is no marker") << QStringLiteral("Japan p2p") << "Japan p2p";
        QTest::newRow("markup in a name is text")
            << QStringLiteral("<b>A&B</b> No P2P<img>") << "&lt;b&gt;A&amp;B&lt;/b&gt;[ No P2P&lt;i]mg&gt;";
    }

    void markup()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        expected.replace(QLatin1Char('['), QStringLiteral("<font color=\"#0000ff\">"))
            .replace(QLatin1Char('{'), QStringLiteral("<font color=\"#ff0000\">"))
            .replace(QLatin1Char(']'), QStringLiteral("</font>"));
        const VPNComboBoxHtmlDelegate delegate(Qt::gray, Qt::white, Qt::red, Qt::blue);
        QCOMPARE(delegate.RowMarkup(name, true),
                 QStringLiteral("<font style=\"font-size: 13px; color: #ffffff; font-family: Arial\">")
                     + expected);
    }

    // Markers in their colours, an unavailable endpoint grey throughout.
    void rowsAreDrawnInTheirColours()
    {
        VPNComboBoxHtmlDelegate delegate(Qt::gray, Qt::white, Qt::yellow, Qt::cyan);

        QList<VPNServer> servers(3);
        servers[0].name = QStringLiteral("Latvia Riga P2P");
        servers[1].name = QStringLiteral("USA Miami No P2P");
        servers[2].name = QStringLiteral("Romania Bucharest P2P");
        servers[2].available = false;
        VPNServerListModel model(servers);
        QListView view;
        view.setItemDelegate(&delegate);
        view.setIconSize(QSize(70, 25));
        QPalette palette = view.palette();
        palette.setColor(QPalette::Base, Qt::black);
        view.setPalette(palette);
        view.setModel(&model);
        view.resize(360, 120);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QImage image = view.viewport()->grab().toImage();
        // The text part of a row, right of the picture.
        const auto ink = [&](int row, const QColor& colour) {
            return CountInk(image, view.visualRect(model.index(row)).adjusted(72, 0, 0, 0), colour);
        };
        QVERIFY(ink(0, Qt::yellow) > 0 && ink(0, Qt::white) > 0 && ink(0, Qt::cyan) == 0);
        QVERIFY(ink(1, Qt::cyan) > 0 && ink(1, Qt::white) > 0 && ink(1, Qt::yellow) == 0);
        QVERIFY(ink(2, Qt::gray) > 0 && ink(2, Qt::yellow) == 0 && ink(2, Qt::white) == 0);
    }
};

QTEST_MAIN(TestVPNComboBox)
#include "testvpncombobox.moc"
