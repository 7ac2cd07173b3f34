#include "appcontext.h"
#include "fakesystemservices.h"
#include "memoryaccountkeystore.h"
#include "scriptedtunnel.h"
#include "servers/vpncombobox.h"
#include "servers/vpncomboboxhtmldelegate.h"
#include "servers/vpnserverlistmodel.h"
#include "startup.h"
#include "temphome.h"
#include "vpnmainwindow.h"

#include <QListView>
#include <QTest>

// The rich-text rows of the main window's server list: marker colours, greyed-out endpoints.
class TestVPNComboBoxHtmlDelegate final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<VPNAppContext> m_context;
    std::unique_ptr<VPNMainWindow> m_window;
    VPNComboBoxHtmlDelegate* m_delegate = nullptr;

    static VPNServer Endpoint(const QString& name, bool available)
    {
        VPNServer server;
        server.name = name;
        server.description = name;
        server.available = available;
        return server;
    }

    struct Inks
    {
        int yellow = 0;
        int blue = 0;
        int white = 0;
        int grey = 0;
    };

    // Counts the pixels of each text colour in the text part of a row (right of the picture).
    static Inks CountInks(const QImage& image, const QRect& row)
    {
        Inks inks;
        for (int y = row.top(); y <= row.bottom(); ++y) {
            for (int x = row.left() + 72; x <= row.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 170 && c.green() > 170 && c.blue() < 90)
                    ++inks.yellow;
                else if (c.blue() > 170 && c.red() < 110 && c.green() > 80 && c.green() < 190)
                    ++inks.blue;
                else if (c.red() > 200 && c.green() > 200 && c.blue() > 200)
                    ++inks.white;
                else if (c.red() > 70 && qAbs(c.red() - c.green()) < 8 && qAbs(c.red() - c.blue()) < 8)
                    ++inks.grey;
            }
        }
        return inks;
    }

private slots:
    // The delegate under test is the one the main window gives its server list.
    void initTestCase()
    {
        m_home = std::make_unique<TempHome>();
        m_context = std::make_unique<VPNAppContext>(std::make_unique<FakeSystemServices>(m_home->Path()));
        m_context->CreateWorkflow(
            std::make_unique<ScriptedTunnel>(m_context->Settings(), m_context->SystemServices()),
            std::make_unique<MemoryAccountKeyStore>(), QString());
        m_window = CreateMainWindow(*m_context);
        auto* list = m_window->findChild<VPNComboBox*>(QStringLiteral("ServerListDropDown"));
        QVERIFY(list);
        m_delegate = qobject_cast<VPNComboBoxHtmlDelegate*>(list->itemDelegate());
        QVERIFY(m_delegate);
        QCOMPARE(list->iconSize(), QSize(70, 25));
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_context.reset();
        m_home.reset();
    }

    void markup_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("available");
        QTest::addColumn<QString>("expected");
        const QString white
            = QStringLiteral("<font style=\"font-size: 13px; color: #ffffff; font-family: Arial\">");
        const QString grey
            = QStringLiteral("<font style=\"font-size: 13px; color: #808080; font-family: Arial\">");
        const QString yellow = QStringLiteral("<font color=\"#ffff00\">");
        const QString blue = QStringLiteral("<font color=\"#3889f7\">");
        const QString close = QStringLiteral("</font>");

        // The colour opens one character before the marker and closes two after its end.
        QTest::newRow("No P2P inside") << "Germany (No P2P) Berlin" << true
                                       << white + QLatin1String("Germany ") + blue
                + QLatin1String("(No P2P) ") + close + QLatin1String("Berlin");
        QTest::newRow("P2P inside") << "Latvia (P2P) Riga" << true
                                    << white + QLatin1String("Latvia ") + yellow + QLatin1String("(P2P) ")
                + close + QLatin1String("Riga");
        // "No P2P" wins; its "P2P" is not coloured a second time.
        QTest::newRow("No P2P at the end")
            << "USA New York No P2P" << true
            << white + QLatin1String("USA New York") + blue + QLatin1String(" No P2P") + close;
        QTest::newRow("P2P at the end")
            << "Germany Frankfurt P2P" << true
            << white + QLatin1String("Germany Frankfurt") + yellow + QLatin1String(" P2P") + close;
        // Markers at the very start or end: positions are clamped to the name.
        QTest::newRow("P2P at the start")
            << "P2P Riga" << true << white + yellow + QLatin1String("P2P R") + close + QLatin1String("iga");
        QTest::newRow("name is the marker")
            << "No P2P" << true << white + blue + QLatin1String("No P2P") + close;
        QTest::newRow("no marker") << "Japan Tokyo" << true << white + QLatin1String("Japan Tokyo");
        QTest::newRow("lower-case marker") << "Japan p2p" << true << white + QLatin1String("Japan p2p");
        // An unavailable endpoint is grey throughout, markers included.
        QTest::newRow("unavailable P2P")
            << "Romania Bucharest P2P" << false << grey + QLatin1String("Romania Bucharest P2P");
        QTest::newRow("unavailable No P2P")
            << "Luxembourg No P2P" << false << grey + QLatin1String("Luxembourg No P2P");
    }

    void markup()
    {
        QFETCH(QString, name);
        QFETCH(bool, available);
        QFETCH(QString, expected);
        QCOMPARE(m_delegate->RowMarkup(name, available), expected);
    }

    void drawsMarkersInTheirColoursAndUnavailableRowsGrey()
    {
        VPNServerListModel model({Endpoint(QStringLiteral("Latvia Riga P2P"), true),
                                  Endpoint(QStringLiteral("USA Miami No P2P"), true),
                                  Endpoint(QStringLiteral("Romania Bucharest P2P"), false)});
        QListView view;
        view.setItemDelegate(m_delegate);
        view.setIconSize(QSize(70, 25));
        QPalette palette = view.palette();
        palette.setColor(QPalette::Base, Qt::black);
        view.setPalette(palette);
        view.setModel(&model);
        view.resize(360, 120);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QImage image = view.viewport()->grab().toImage();

        const Inks p2p = CountInks(image, view.visualRect(model.index(0)));
        QVERIFY(p2p.yellow > 0);
        QVERIFY(p2p.white > 0);
        QCOMPARE(p2p.blue, 0);

        const Inks noP2p = CountInks(image, view.visualRect(model.index(1)));
        QVERIFY(noP2p.blue > 0);
        QVERIFY(noP2p.white > 0);
        QCOMPARE(noP2p.yellow, 0);

        const Inks unavailable = CountInks(image, view.visualRect(model.index(2)));
        QVERIFY(unavailable.grey > 0);
        QCOMPARE(unavailable.yellow, 0);
        QCOMPARE(unavailable.blue, 0);
        QCOMPARE(unavailable.white, 0);
    }
};

QTEST_MAIN(TestVPNComboBoxHtmlDelegate)
#include "testvpncomboboxhtmldelegate.moc"
