#pragma once

#include <QApplication>
#include <QPointer>
#include <QWidget>

class QtLocalPeer;

/**
 * The application object of a program that runs once per user: the first instance receives
 * the text messages of later ones. "EXIT" asks it to quit (Exit()), any other text brings the
 * activation window back on screen.
 */
class QtSingleApplication : public QApplication
{
    Q_OBJECT

public:
    QtSingleApplication(const QString& id, int& argc, char** argv);
    ~QtSingleApplication() override;

    QString id() const;
    // True when another instance runs; the first call takes the lock when it is free.
    bool isRunning();
    // For a restarted copy: starts waiting up to timeout ms for the old instance to end and
    // returns at once; runningInstanceWaitFinished() tells how it went.
    void waitForRunningInstanceToEnd(int timeout);

    void setActivationWindow(QWidget* window, bool activateOnMessage = true);
    QWidget* activationWindow() const { return m_activationWindow; }

public slots:
    // Starts delivering message to the running instance and returns at once;
    // messageDeliveryFinished() tells how it went.
    void sendMessage(const QString& message, int timeout = 5000);
    void OnMessageReceived(const QString& message);

signals:
    void messageReceived(const QString& message);
    void Exit();
    // True when the running instance answered the message.
    void messageDeliveryFinished(bool delivered);
    // True when the old instance let go of the lock and this one took it over.
    void runningInstanceWaitFinished(bool ended);

private:
    QtLocalPeer* m_peer;
    QPointer<QWidget> m_activationWindow;
};
