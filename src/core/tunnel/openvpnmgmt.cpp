#include "tunnel/openvpnmgmt.h"

#include "support/logmask.h"

#include <QDebug>
#include <QHostAddress>
#include <QTcpSocket>

OpenVpnMgmt::OpenVpnMgmt(QObject* parent, quint16 port)
    : QObject(parent)
    , m_socket(std::make_unique<QTcpSocket>())
    , m_port(port)
{
    connect(m_socket.get(), &QTcpSocket::readyRead, this, &OpenVpnMgmt::ReadMessage);
    connect(m_socket.get(), &QTcpSocket::errorOccurred, this, &OpenVpnMgmt::DisplayError);
}

OpenVpnMgmt::~OpenVpnMgmt()
{
    m_socket->disconnect(this);
}

bool OpenVpnMgmt::IsConnected() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

void OpenVpnMgmt::Connect()
{
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
    m_lines.Clear();
    m_socket->connectToHost(QHostAddress(QHostAddress::LocalHost), m_port, QIODevice::ReadWrite);
}

void OpenVpnMgmt::Disconnect()
{
    qDebug() << "Disconnecting management interface.";
    m_socket->disconnectFromHost();
}

QByteArray OpenVpnMgmt::QuoteArgument(const QByteArray& argument)
{
    QByteArray quoted;
    quoted.reserve(argument.size() + 2);
    quoted += '"';
    for (const char c : argument) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

bool OpenVpnMgmt::HasControlCharacter(const QString& text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

QByteArray OpenVpnMgmt::CredentialCommand(const char* kind, const QString& value)
{
    if (HasControlCharacter(value))
        return QByteArray();
    return QByteArray(kind) + " \"Auth\" " + QuoteArgument(value.toUpper().toUtf8()) + '\n';
}

bool OpenVpnMgmt::SendUsername(const QString& userName)
{
    const QByteArray command = CredentialCommand("username", userName);
    if (command.isEmpty()) {
        qDebug() << "User name refused: it contains a control character.";
        return false;
    }
    m_socket->write(command);
    return true;
}

bool OpenVpnMgmt::SendPassword(const QString& password)
{
    const QByteArray command = CredentialCommand("password", password);
    if (command.isEmpty()) {
        qDebug() << "Password refused: it contains a control character.";
        return false;
    }
    qDebug() << "Sending command :"
             << LogMask::MaskSecret(QString::fromUtf8(command),
                                    QString::fromUtf8(QuoteArgument(password.toUpper().toUtf8())));
    m_socket->write(command);
    return true;
}

void OpenVpnMgmt::SendSIGTERM()
{
    const QByteArray command("signal SIGTERM\n");
    qDebug() << "Sending SIGTERM signal.";
    qDebug() << "Sending command :" << QString::fromLatin1(command);
    m_socket->write(command);
}

void OpenVpnMgmt::SetState()
{
    m_socket->write("state on\n");
}

void OpenVpnMgmt::SendReleaseHold()
{
    SetState();
    m_socket->write("hold release\n");
}

void OpenVpnMgmt::ReadMessage()
{
    for (const QByteArray& line : m_lines.Append(m_socket->readAll()))
        m_queue.append(QString::fromLatin1(line));
    // The password prompt ends without a line end and comes before anything else.
    if (m_lines.Pending() == "ENTER PASSWORD:") {
        m_lines.Clear();
        if (m_password.isEmpty()) {
            qDebug() << "The management interface asks for a password, and there is none.";
        } else {
            qDebug() << "Sending the management password.";
            m_socket->write(m_password + '\n');
        }
    }
    Deliver();
}

void OpenVpnMgmt::DisplayError(QAbstractSocket::SocketError socketError)
{
    switch (socketError) {
    case QAbstractSocket::ConnectionRefusedError:
        qDebug() << "The connection was refused by the peer. Make sure the openvpn server is running, "
                    "and check that the host name and port settings are correct.";
        break;
    case QAbstractSocket::RemoteHostClosedError:
        qDebug() << "Remote host closed socket.";
        break;
    case QAbstractSocket::HostNotFoundError:
        qDebug() << "The host was not found. Please check the "
                 << "host name and port settings.";
        break;
    default:
        qDebug() << QStringLiteral("The following error occurred: %1.").arg(m_socket->errorString());
        break;
    }
    // Lines received before the error are handled first.
    Deliver();
    emit SocketErrorOccurred();
}

void OpenVpnMgmt::Deliver()
{
    // A receiver may wait in a nested event loop, where more data arrives and this runs again:
    // the nested call goes on with the queue from where the outer one is, so every line still
    // starts being handled in the order received.
    while (!m_queue.isEmpty()) {
        const QString line = m_queue.takeFirst();
        qDebug() << line;
        emit MessageReceived(line);
    }
}
