#include "qtlocalpeer.h"
#include "qtsingleapplication.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

namespace {

QtSingleApplication* App()
{
    return qobject_cast<QtSingleApplication*>(QCoreApplication::instance());
}

} // namespace

class TestQtSingleApplication final : public QObject
{
    Q_OBJECT

private slots:
    void messageFromAnotherInstance_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("minimised"); // else closed to the tray
        QTest::addColumn<bool>("activateOnMessage");
        QTest::addColumn<bool>("exits");
        QTest::newRow("EXIT") << QStringLiteral("EXIT") << false << true << true;
        QTest::newRow("exit") << QStringLiteral("exit") << false << true << false;
        QTest::newRow("EXIT with blank") << QStringLiteral("EXIT ") << false << true << false;
        QTest::newRow("Activate, window in the tray") << QStringLiteral("Activate") << false << true << false;
        QTest::newRow("Activate, window minimised") << QStringLiteral("Activate") << true << true << false;
        QTest::newRow("activation switched off") << QStringLiteral("EXIT") << false << false << false;
    }

    void messageFromAnotherInstance()
    {
        QFETCH(QString, message);
        QFETCH(bool, minimised);
        QFETCH(bool, activateOnMessage);
        QFETCH(bool, exits);
        QWidget window;
        window.resize(200, 100);
        if (minimised) {
            window.showMinimized();
            QVERIFY(window.windowState().testFlag(Qt::WindowMinimized));
        } else {
            window.show();
            window.hide();
        }
        App()->setActivationWindow(&window, activateOnMessage);
        QVERIFY(!App()->isRunning());
        QSignalSpy received(App(), &QtSingleApplication::messageReceived);
        QSignalSpy exitSpy(App(), &QtSingleApplication::Exit);

        QtLocalPeer secondStart(App()->id());
        secondStart.sendMessage(message, 5000);
        QVERIFY(received.wait(5000));
        QCOMPARE(received.first().first().toString(), message);
        QCOMPARE(exitSpy.size(), exits ? 1 : 0);
        // Any other text brings the window back, the quit message does not; neither does anything
        // with activation switched off.
        const bool shown = activateOnMessage && !exits;
        QCOMPARE(window.isVisible(), shown);
        QCOMPARE(window.windowState().testFlag(Qt::WindowMinimized), minimised && !shown);
        App()->setActivationWindow(nullptr, false);
    }
};

// The application object under test is the test's own QApplication.
int main(int argc, char* argv[])
{
    QtSingleApplication app(QStringLiteral("TestSingleApplication%1").arg(QCoreApplication::applicationPid()),
                            argc, argv);
    TestQtSingleApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "testqtsingleapplication.moc"
