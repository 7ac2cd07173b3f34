#pragma once

#include "logcapture.h"
#include "tunnel/openvpngeneric.h"
#include "tunnel/openvpnmgmt.h"
#include "tunnel/servicecontroller.h"

#include <QByteArray>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <utility>

// How many captured log lines contain text.
inline int Count(const LogCapture& log, const QString& text)
{
    return int(log.Messages().filter(text).size());
}

// The controller without a platform part: counts the platform calls instead.
class RecordingController final : public OpenVpnGeneric
{
    Q_OBJECT

public:
    using OpenVpnGeneric::OpenVpnGeneric;
    void AddManagement() { SetManagement(std::make_unique<OpenVpnMgmt>()); }
    int connects = 0;
    int disconnects = 0;
    int stops = 0;

public slots:
    void DoConnect() override { ++connects; }
    void DoDisconnect() override { ++disconnects; }

protected:
    void StopService() override { ++stops; }
};

// Stands in for the OpenVPN program: starts and stops on request, as configured.
class FakeService final : public ServiceController
{
    Q_OBJECT

public:
    bool installed = true;
    bool acceptStart = true;
    bool runsAfterStart = true;
    bool running = false;
    int starts = 0;
    int stopRequests = 0;

    bool IsInstalled() const override { return installed; }
    bool IsRunning() const override { return running; }
    bool IsStopping() const override { return m_stopping; }
    bool Start() override
    {
        ++starts;
        if (!acceptStart)
            return false;
        running = runsAfterStart;
        return true;
    }
    void Stop() override
    {
        ++stopRequests;
        if (m_stopping)
            return;
        m_stopping = true;
        emit StopRequested();
        QTimer::singleShot(0, this, [this] {
            running = false;
            m_stopping = false;
            emit StopFinished(true);
        });
    }

signals:
    void StopRequested();

private:
    bool m_stopping = false;
};

// Plays OpenVPN's side of the management interface with the lines of a real OpenVPN 2.6
// client, answering the commands it receives. Lines may be cut into pieces sent apart.
class FakeManagementServer final : public QObject
{
    Q_OBJECT

public:
    enum Outcome
    {
        Success,
        AuthFailure,
        TlsError
    };

    FakeManagementServer(Outcome outcome, bool splitLines)
        : m_outcome(outcome)
        , m_split(splitLines)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, &FakeManagementServer::OnConnection);
        m_tailTimer.setSingleShot(true);
        connect(&m_tailTimer, &QTimer::timeout, this, [this] {
            if (!m_socket)
                return;
            m_socket->write(std::exchange(m_pendingTail, QByteArray()));
            if (m_closeAfterTail)
                m_socket->disconnectFromHost();
        });
    }

    quint16 Port() const { return m_server.serverPort(); }
    QByteArray received;
    int connections = 0;
    bool sendOnStop = true;

    // Closes the connection as an ending OpenVPN does (with its EXITING line when asked).
    void End(bool withExitingLine)
    {
        if (!m_socket)
            return;
        if (withExitingLine)
            Send(">STATE:1796580774,EXITING,SIGTERM,,,,,\r\n");
        CloseWhenSent();
    }
    void Send(const QByteArray& data)
    {
        if (!m_socket)
            return;
        if (m_tailTimer.isActive()) {
            m_pendingTail += data;
            return;
        }
        if (!m_split || data.size() < 4) {
            m_socket->write(data);
            return;
        }
        // The tail goes out later, so the client's reads end inside a line.
        const qsizetype cut = data.size() / 2 + 1;
        m_socket->write(data.left(cut));
        m_socket->flush();
        m_pendingTail += data.mid(cut);
        if (!m_tailTimer.isActive())
            m_tailTimer.start(15);
    }

private:
    void CloseWhenSent()
    {
        if (m_tailTimer.isActive())
            m_closeAfterTail = true;
        else
            m_socket->disconnectFromHost();
    }
    void OnConnection()
    {
        m_socket = m_server.nextPendingConnection();
        ++connections;
        connect(m_socket, &QTcpSocket::readyRead, this, &FakeManagementServer::OnCommand);
        Send(">INFO:OpenVPN Management Interface Version 5 -- type 'help' for more info\r\n"
             ">HOLD:Waiting for hold release:0\r\n");
    }
    void OnCommand()
    {
        const QByteArray data = m_socket->readAll();
        received += data;
        if (data.contains("hold release\n")) {
            Send("SUCCESS: real-time state notification set to ON\r\n"
                 "SUCCESS: hold release succeeded\r\n"
                 ">PASSWORD:Need 'Auth' username/password\r\n");
        }
        if (data.contains("password \"Auth\"")) {
            Send("SUCCESS: 'Auth' username entered, but not yet verified\r\n"
                 "SUCCESS: 'Auth' password entered, but not yet verified\r\n"
                 ">STATE:1796580774,WAIT,,,,,,\r\n>STATE:1796580774,AUTH,,,,,,\r\n");
            switch (m_outcome) {
            case Success:
                Send(">STATE:1796580774,ASSIGN_IP,,127.0.13.22,,,,\r\n"
                     ">STATE:1796580774,CONNECTED,SUCCESS,127.0.13.22,198.51.100.1,1194,,\r\n");
                break;
            case AuthFailure:
                Send(">PASSWORD:Verification Failed: 'Auth'\r\n"
                     ">STATE:1796580781,EXITING,auth-failure,,,,,\r\n");
                CloseWhenSent();
                break;
            case TlsError:
                Send(">STATE:1796580781,RECONNECTING,tls-error,,,,,\r\n"
                     ">HOLD:Waiting for hold release:1\r\n");
                break;
            }
        }
    }

    Outcome m_outcome;
    bool m_split;
    QTcpServer m_server;
    QPointer<QTcpSocket> m_socket;
    QByteArray m_pendingTail;
    QTimer m_tailTimer;
    bool m_closeAfterTail = false;
};
