#pragma once

#include "tunnel/servicecontroller.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <utility>

// Stands in for the OpenVPN program: a service that starts and stops as configured, and its
// management interface, which answers with the lines of a real OpenVPN 2.6 client.
class FakeOpenVpn final : public ServiceController
{
    Q_OBJECT

public:
    enum Outcome
    {
        Success,
        AuthFailure,
        TlsError
    };
    // What OpenVPN does when stopped: reports EXITING and closes, only closes (as in a hold), or
    // neither (it hangs).
    enum StopAnswer
    {
        ReportsEnd,
        ClosesOnly,
        Hangs
    };

    explicit FakeOpenVpn(Outcome outcome)
        : m_outcome(outcome)
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, &FakeOpenVpn::OnConnection);
    }

    bool installed = true;
    bool acceptStart = true;
    bool runsAfterStart = true;
    bool running = false;
    int starts = 0;
    int stopRequests = 0;
    StopAnswer onStop = ReportsEnd;
    QByteArray received;
    int connections = 0;

    quint16 Port() const { return m_server.serverPort(); }
    void StopListening() { m_server.close(); }
    void Close()
    {
        if (m_socket)
            m_socket->disconnectFromHost();
    }
    void Send(const QByteArray& data)
    {
        if (m_socket)
            m_socket->write(data);
    }

    bool IsInstalled() const override { return installed; }
    bool IsRunning() const override { return running; }
    bool IsStopping() const override { return m_stopping; }
    bool Start() override
    {
        ++starts;
        running = acceptStart && runsAfterStart;
        return acceptStart;
    }
    void Stop() override
    {
        ++stopRequests;
        if (std::exchange(m_stopping, true))
            return;
        if (onStop == ReportsEnd)
            Send(">STATE:1796580774,EXITING,SIGTERM,,,,,\r\n");
        if (onStop != Hangs)
            Close();
        QTimer::singleShot(0, this, [this] {
            running = m_stopping = false;
            emit StopFinished(true);
        });
    }

private:
    void OnConnection()
    {
        m_socket = m_server.nextPendingConnection();
        ++connections;
        connect(m_socket, &QTcpSocket::readyRead, this, &FakeOpenVpn::OnCommand);
        Send(">INFO:OpenVPN Management Interface Version 5 -- type 'help' for more info\r\n"
             ">HOLD:Waiting for hold release:0\r\n");
    }
    void OnCommand()
    {
        const QByteArray data = m_socket->readAll();
        received += data;
        if (data.contains("hold release\n"))
            Send("SUCCESS: real-time state notification set to ON\r\nSUCCESS: hold release succeeded\r\n"
                 ">PASSWORD:Need 'Auth' username/password\r\n");
        if (!data.contains("password \"Auth\""))
            return;
        Send("SUCCESS: 'Auth' username entered, but not yet verified\r\n"
             "SUCCESS: 'Auth' password entered, but not yet verified\r\n"
             ">STATE:1796580774,WAIT,,,,,,\r\n>STATE:1796580774,AUTH,,,,,,\r\n");
        if (m_outcome == Success)
            Send(">STATE:1796580774,ASSIGN_IP,,127.0.13.22,,,,\r\n"
                 ">STATE:1796580774,CONNECTED,SUCCESS,127.0.13.22,198.51.100.1,1194,,\r\n");
        if (m_outcome == AuthFailure) {
            Send(">PASSWORD:Verification Failed: 'Auth'\r\n>STATE:1796580781,EXITING,auth-failure,,,,,\r\n");
            Close();
        }
        if (m_outcome == TlsError)
            Send(">STATE:1796580781,RECONNECTING,tls-error,,,,,\r\n>HOLD:Waiting for hold release:1\r\n");
    }

    Outcome m_outcome;
    QTcpServer m_server;
    QPointer<QTcpSocket> m_socket;
    bool m_stopping = false;
};
