// Stands in for the service's change-IP listener in the integration test: accepts connections
// on the given address and port and appends every line received to a file.
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: changeiplistener <address> <port> <record file>\n");
        return 2;
    }
    const QString recordPath = args.at(3);
    QTcpServer server;
    if (!server.listen(QHostAddress(args.at(1)), args.at(2).toUShort())) {
        std::fprintf(stderr, "cannot listen: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    QFile ready(recordPath + QStringLiteral(".ready"));
    if (!ready.open(QIODevice::WriteOnly))
        return 1;
    ready.close();
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&server, recordPath] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, recordPath] {
                QFile record(recordPath);
                if (record.open(QIODevice::Append))
                    record.write(socket->readAll());
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return app.exec();
}
