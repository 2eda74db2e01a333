#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <functional>
#include <memory>

// Runs the event loop until `done` holds or `ms` pass; returns `done()`.
inline bool waitUntil(const std::function<bool()> &done, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(5);
    return done();
}

// One request the fake server received.
struct HttpRequest
{
    QByteArray method;
    QByteArray path;
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

// A minimal HTTP/1.1 server on 127.0.0.1 that records each request and answers
// 204 No Content. Runs on the thread's event loop.
class HttpFake
{
public:
    HttpFake()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    bool isListening() const { return m_server.isListening(); }
    QByteArray base() const { return "http://127.0.0.1:" + QByteArray::number(m_server.serverPort()); }
    const QList<HttpRequest> &requests() const { return m_requests; }

    bool waitForRequests(qsizetype count, int ms = 5000)
    {
        return waitUntil([&] { return m_requests.size() >= count; }, ms);
    }

private:
    void serve(QTcpSocket *socket)
    {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            HttpRequest request;
            const QList<QByteArray> lines = buffer->left(end).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            request.method = first.value(0);
            request.path = first.value(1);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon > 0)
                    request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                           lines[i].mid(colon + 1).trimmed());
            }
            const qsizetype length = request.headers.value("content-length", "0").toLongLong();
            if (buffer->size() < end + 4 + length)
                return;
            request.body = buffer->mid(end + 4, length);
            buffer->clear();
            m_requests.append(request);
            socket->write("HTTP/1.1 204 No Content\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
        });
    }

    QTcpServer m_server;
    QList<HttpRequest> m_requests;
};
