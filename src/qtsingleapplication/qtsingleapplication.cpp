#include "qtsingleapplication.h"

#include "qtlocalpeer.h"

#include <QWidget>

QtSingleApplication::QtSingleApplication(const QString& id, int& argc, char** argv)
    : QApplication(argc, argv)
    , m_peer(new QtLocalPeer(id, this))
{
    connect(m_peer, &QtLocalPeer::messageReceived, this, &QtSingleApplication::messageReceived);
    connect(m_peer, &QtLocalPeer::messageDeliveryFinished, this,
            &QtSingleApplication::messageDeliveryFinished);
    connect(m_peer, &QtLocalPeer::lockWaitFinished, this, &QtSingleApplication::runningInstanceWaitFinished);
}

QtSingleApplication::~QtSingleApplication() = default;

QString QtSingleApplication::id() const
{
    return m_peer->applicationId();
}

bool QtSingleApplication::isRunning()
{
    return m_peer->isClient();
}

void QtSingleApplication::waitForRunningInstanceToEnd(int timeout)
{
    m_peer->waitForLock(timeout);
}

void QtSingleApplication::sendMessage(const QString& message, int timeout)
{
    m_peer->sendMessage(message, timeout);
}

void QtSingleApplication::setActivationWindow(QWidget* window, bool activateOnMessage)
{
    m_activationWindow = window;
    disconnect(this, &QtSingleApplication::messageReceived, this, &QtSingleApplication::OnMessageReceived);
    if (activateOnMessage)
        connect(this, &QtSingleApplication::messageReceived, this, &QtSingleApplication::OnMessageReceived);
}

void QtSingleApplication::OnMessageReceived(const QString& message)
{
    if (message == QLatin1String("EXIT")) {
        emit Exit();
        return;
    }
    if (!m_activationWindow)
        return;
    // Shown again, but neither raised nor focused: the user may be typing elsewhere.
    m_activationWindow->setWindowState(m_activationWindow->windowState() & ~Qt::WindowMinimized);
    m_activationWindow->show();
    m_activationWindow->update();
}
