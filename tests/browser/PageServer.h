#pragma once
// A loopback web server for browser tests: fixed pages by path, every
// request line kept, and answers to chosen paths held back for a while.

#include <QHash>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

class PageServer : public QObject {
public:
    QStringList requests;             // request targets, as sent: "/search?q=define+a%26b"
    QHash<QString, QByteArray> pages; // by path, without the query
    QHash<QString, int> delays;       // milliseconds, by path

    bool start() {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                serve(socket);
        });
        return m_server.listen(QHostAddress::LocalHost, 0);
    }
    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    int count(const QString& path) const {
        int n = 0;
        for (const QString& r : requests)
            n += r.section(u'?', 0, 0) == path;
        return n;
    }

private:
    void serve(QTcpSocket* socket) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            *buffer += socket->readAll();
            if (!buffer->contains("\r\n\r\n"))
                return;
            const QList<QByteArray> line = buffer->left(buffer->indexOf("\r\n")).split(' ');
            buffer->clear();
            const QString target = line.size() > 1 ? QString::fromLatin1(line[1]) : QString();
            requests << target;
            const QString path = target.section(u'?', 0, 0);
            QByteArray response;
            if (pages.contains(path)) {
                const QByteArray body = pages.value(path);
                response = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                           "Cache-Control: no-store\r\nContent-Length: " +
                           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
            } else {
                response =
                    "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            }
            const auto send = [socket, response] {
                socket->write(response);
                socket->disconnectFromHost();
            };
            if (delays.value(path) > 0)
                QTimer::singleShot(delays.value(path), socket, send);
            else
                send();
        });
    }

    QTcpServer m_server;
};
