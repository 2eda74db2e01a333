#pragma once

// An HTTP/1.1 server on 127.0.0.1 for tests, running on a thread of its own, so that code
// under test may wait for it from any thread (the GUI thread included). Each request is
// recorded and answered by a handler the test sets; the answer can also be cut short,
// stall, or never come.
#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QMutex>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <functional>
#include <memory>

namespace Loopback {

// Runs the calling thread's event loop until `done` holds or `ms` pass; returns `done()`.
inline bool waitFor(const std::function<bool()> &done, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(5);
    return done();
}

struct Request
{
    QByteArray method;
    QByteArray path;
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

struct Reply
{
    enum class Mode {
        complete,  // the whole answer
        cutBody,   // headers and the first half of the body, then the connection closes
        stall,     // headers and the first half of the body, then nothing more
        noAnswer,  // nothing at all; the connection stays open
    };

    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    bool contentLength = true; // without: the body ends when the connection closes
    QList<QPair<QByteArray, QByteArray>> headers;
    Mode mode = Mode::complete;

    static Reply json(const QByteArray &body, int status = 200)
    {
        Reply reply;
        reply.status = status;
        reply.body = body;
        return reply;
    }
};

class Server
{
public:
    using Handler = std::function<Reply(const Request &)>;

    explicit Server(Handler handler = {})
        : m_handler(handler ? std::move(handler) : [](const Request &) { return Reply::json("{}"); })
    {
        m_thread.start();
        m_context = new QObject;
        m_context->moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            m_context,
            [this] {
                m_server = new QTcpServer(m_context);
                m_server->listen(QHostAddress::LocalHost, 0);
                m_port = m_server->serverPort();
                QObject::connect(m_server, &QTcpServer::newConnection, m_context, [this] {
                    while (QTcpSocket *socket = m_server->nextPendingConnection())
                        serve(socket);
                });
            },
            Qt::BlockingQueuedConnection);
    }

    ~Server()
    {
        QMetaObject::invokeMethod(
            m_context, [this] { delete m_context; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    void setHandler(Handler handler)
    {
        QMutexLocker locker(&m_lock);
        m_handler = std::move(handler);
    }

    quint16 port() const { return m_port; }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QString url(const QString &path) const { return base() + path; }

    QList<Request> requests() const
    {
        QMutexLocker locker(&m_lock);
        return m_requests;
    }
    qsizetype hits() const
    {
        QMutexLocker locker(&m_lock);
        return m_requests.size();
    }
    qsizetype hits(const QByteArray &path) const
    {
        QMutexLocker locker(&m_lock);
        qsizetype n = 0;
        for (const Request &r : m_requests)
            n += r.path == path;
        return n;
    }
    bool waitForHits(qsizetype count, int ms = 10000) const
    {
        return waitFor([&] { return hits() >= count; }, ms);
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
            Request request;
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
            Handler handler;
            {
                QMutexLocker locker(&m_lock);
                m_requests.append(request);
                handler = m_handler;
            }
            answer(socket, handler(request));
        });
    }

    static void answer(QTcpSocket *socket, const Reply &reply)
    {
        if (reply.mode == Reply::Mode::noAnswer)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\n";
        head += "Content-Type: " + reply.contentType + "\r\n";
        if (reply.contentLength)
            head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
        for (const auto &[name, value] : reply.headers)
            head += name + ": " + value + "\r\n";
        head += "Connection: close\r\n\r\n";
        socket->write(head);
        switch (reply.mode) {
        case Reply::Mode::complete:
            socket->write(reply.body);
            socket->disconnectFromHost();
            break;
        case Reply::Mode::cutBody:
            socket->write(reply.body.left(reply.body.size() / 2));
            socket->disconnectFromHost();
            break;
        case Reply::Mode::stall:
            socket->write(reply.body.left(reply.body.size() / 2));
            socket->flush();
            break;
        case Reply::Mode::noAnswer:
            break;
        }
    }

    mutable QMutex m_lock;
    Handler m_handler;
    QList<Request> m_requests;
    QThread m_thread;
    QObject *m_context = nullptr;
    QTcpServer *m_server = nullptr;
    quint16 m_port = 0;
};

} // namespace Loopback
