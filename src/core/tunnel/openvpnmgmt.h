#pragma once

#include "tunnel/managementlinebuffer.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <memory>

class QTcpSocket;

/**
 * Client of OpenVPN's management interface on 127.0.0.1: sends the few commands the tunnel
 * controller needs and passes on what OpenVPN says, one complete line per MessageReceived(),
 * in the order received, then SocketErrorOccurred() when the connection fails or closes.
 */
class OpenVpnMgmt : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 DefaultPort = 52025;

    explicit OpenVpnMgmt(QObject* parent = nullptr, quint16 port = DefaultPort);
    ~OpenVpnMgmt() override;

    quint16 Port() const { return m_port; }
    // The interface's password, sent when OpenVPN asks for it on connecting; empty for none.
    void SetPassword(const QString& password) { m_password = password.toLatin1(); }
    void SetPort(quint16 port) { m_port = port; }
    bool IsConnected() const;

    // One argument of a management command, double-quoted with '\' and '"' escaped.
    static QByteArray QuoteArgument(const QByteArray& argument);
    // Control characters would end or split the command line; such credentials are refused.
    static bool HasControlCharacter(const QString& text);
    // The full credential command for realm Auth, or empty when the value is refused.
    static QByteArray CredentialCommand(const char* kind, const QString& value);

signals:
    void MessageReceived(QString message);
    void SocketErrorOccurred();

public slots:
    void Connect();
    void Disconnect();
    // Both return false, send nothing and log why when the credential holds a control character.
    bool SendUsername(const QString& userName);
    bool SendPassword(const QString& password);
    void SendSIGTERM();
    void SendReleaseHold();
    void SetState();
    void ReadMessage();
    void DisplayError(QAbstractSocket::SocketError socketError);

private:
    void Deliver();

    std::unique_ptr<QTcpSocket> m_socket;
    quint16 m_port;
    QByteArray m_password;
    ManagementLineBuffer m_lines;
    QStringList m_queue;
};
