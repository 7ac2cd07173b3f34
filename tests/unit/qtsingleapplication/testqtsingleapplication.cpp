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
    void init();
    void cleanup();
    void onlyExactExitQuits_data();
    void onlyExactExitQuits();
    void activateShowsTheWindow_data();
    void activateShowsTheWindow();
    void messagesFromAnotherInstance();
    void activationSwitchedOff();

private:
    std::unique_ptr<QWidget> m_window;
};

void TestQtSingleApplication::init()
{
    m_window = std::make_unique<QWidget>();
    m_window->resize(200, 100);
    App()->setActivationWindow(m_window.get(), true);
}

void TestQtSingleApplication::cleanup()
{
    App()->setActivationWindow(nullptr, false);
    m_window.reset();
}

void TestQtSingleApplication::onlyExactExitQuits_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("exits");
    QTest::newRow("EXIT") << QStringLiteral("EXIT") << true;
    QTest::newRow("exit") << QStringLiteral("exit") << false;
    QTest::newRow("Exit") << QStringLiteral("Exit") << false;
    QTest::newRow("EXIT with blank") << QStringLiteral("EXIT ") << false;
    QTest::newRow("Activate") << QStringLiteral("Activate") << false;
}

void TestQtSingleApplication::onlyExactExitQuits()
{
    QFETCH(QString, message);
    QFETCH(bool, exits);
    QSignalSpy exitSpy(App(), &QtSingleApplication::Exit);
    App()->OnMessageReceived(message);
    QCOMPARE(exitSpy.size(), exits ? 1 : 0);
    // Any other text shows the window, the quit message does not.
    QCOMPARE(m_window->isVisible(), !exits);
}

void TestQtSingleApplication::activateShowsTheWindow_data()
{
    QTest::addColumn<bool>("minimised");
    QTest::newRow("minimised") << true;
    QTest::newRow("closed to the tray") << false;
}

void TestQtSingleApplication::activateShowsTheWindow()
{
    QFETCH(bool, minimised);
    if (minimised) {
        m_window->showMinimized();
        QVERIFY(m_window->windowState().testFlag(Qt::WindowMinimized));
    } else {
        m_window->show();
        m_window->hide();
    }
    App()->OnMessageReceived(QStringLiteral("Activate"));
    QVERIFY(!m_window->windowState().testFlag(Qt::WindowMinimized));
    QVERIFY(m_window->isVisible());
}

void TestQtSingleApplication::messagesFromAnotherInstance()
{
    QVERIFY(!App()->isRunning());
    QSignalSpy exitSpy(App(), &QtSingleApplication::Exit);
    QtLocalPeer secondStart(App()->id());
    QVERIFY(secondStart.sendMessage(QStringLiteral("Activate"), 5000));
    QTRY_VERIFY(m_window->isVisible());
    QCOMPARE(exitSpy.size(), 0);

    QtLocalPeer exitStart(App()->id());
    QVERIFY(exitStart.sendMessage(QStringLiteral("EXIT"), 5000));
    QTRY_COMPARE(exitSpy.size(), 1);
}

void TestQtSingleApplication::activationSwitchedOff()
{
    App()->setActivationWindow(m_window.get(), false);
    QSignalSpy received(App(), &QtSingleApplication::messageReceived);
    QSignalSpy exitSpy(App(), &QtSingleApplication::Exit);
    QtLocalPeer secondStart(App()->id());
    QVERIFY(secondStart.sendMessage(QStringLiteral("EXIT"), 5000));
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(exitSpy.size(), 0);
    QVERIFY(!m_window->isVisible());
}

// The application object under test is the test's own QApplication.
int main(int argc, char* argv[])
{
    QtSingleApplication app(QStringLiteral("TestSingleApplication%1").arg(QCoreApplication::applicationPid()),
                            argc, argv);
    TestQtSingleApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "testqtsingleapplication.moc"
