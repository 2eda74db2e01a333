#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <QtEndian>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// How long a start waits for another one that is deciding at the same moment.
constexpr auto lockWait = 5s;
// How long a connection may take to deliver its message.
constexpr auto messageWait = 5s;

// A folder only this user can enter: a real folder (no link), owned by us, closed to
// group and others.
bool isPrivateFolder(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode)
           && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

// The length and body of the first complete message in `buffer`, taken out of it; an
// empty optional while incomplete, a null document for junk.
std::optional<QJsonDocument> takeMessage(QByteArray &buffer, bool *junk)
{
    *junk = false;
    if (buffer.size() < 4)
        return std::nullopt;
    const quint32 length = qFromBigEndian<quint32>(buffer.constData());
    if (length > quint32(SingleInstance::largestMessage)) {
        *junk = true;
        return std::nullopt;
    }
    if (buffer.size() < qsizetype(4 + length))
        return std::nullopt;
    const QByteArray body = buffer.mid(4, length);
    buffer.remove(0, 4 + length);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        *junk = true;
        return std::nullopt;
    }
    return document;
}

} // namespace

SingleInstance::SingleInstance(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(folder.isEmpty() ? defaultFolder() : folder)
{
    if (!m_folder.isEmpty())
        m_socketPath = m_folder + QStringLiteral("/marovel.socket");
}

SingleInstance::~SingleInstance()
{
    stopListening();
}

void SingleInstance::stopListening()
{
    if (m_server)
        m_server->close(); // removes the socket file: it was ours
}

QString SingleInstance::defaultFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime))
        return QDir::cleanPath(runtime);
    const QString own = QDir::tempPath() + QStringLiteral("/marovel-") + QString::number(::getuid());
    ::mkdir(QFile::encodeName(own).constData(), 0700); // it may exist already
    return isPrivateFolder(own) ? own : QString();
}

SingleInstance::Role SingleInstance::claim()
{
    if (m_socketPath.isEmpty()) {
        m_problem = QStringLiteral("no private runtime folder");
        return Role::alone;
    }
    QLockFile lock(m_folder + QStringLiteral("/marovel.lock"));
    if (!lock.tryLock(int(std::chrono::milliseconds(lockWait).count()))) {
        m_problem = QStringLiteral("the start-up lock %1 stays taken").arg(lock.fileName());
        return Role::alone;
    }
    auto *client = new QLocalSocket(this);
    client->connectToServer(m_socketPath);
    if (client->waitForConnected(1000)) {
        m_client = client;
        return Role::secondary;
    }
    delete client;
    // Nobody answers: whatever socket file is there was left by a process that is gone.
    if (!listen()) {
        m_problem = QStringLiteral("cannot listen on %1").arg(m_socketPath);
        return Role::alone;
    }
    return Role::primary;
}

bool SingleInstance::listen()
{
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    if (!m_server->listen(m_socketPath)) {
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection())
            serve(socket);
    });
    return true;
}

void SingleInstance::serve(QLocalSocket *socket)
{
    auto *buffer = new QByteArray;
    connect(socket, &QObject::destroyed, socket, [buffer] { delete buffer; });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // A peer that never completes its message is dropped.
    QTimer::singleShot(messageWait, socket, [socket] { socket->abort(); socket->deleteLater(); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
        *buffer += socket->readAll();
        bool junk = false;
        const std::optional<QJsonDocument> message = takeMessage(*buffer, &junk);
        if (junk || (message && !message->object().value(u"paths").isArray())) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        if (!message)
            return;
        QStringList paths;
        for (const QJsonValue &value : message->object().value(u"paths").toArray()) {
            const QString path = value.toString();
            if (QDir::isAbsolutePath(path))
                paths << QDir::cleanPath(path);
        }
        socket->write(frame(QJsonDocument(QJsonObject{{QStringLiteral("ok"), true}}).toJson(QJsonDocument::Compact)));
        socket->disconnectFromServer();
        emit pathsReceived(paths);
    });
}

bool SingleInstance::forward(const QStringList &paths, std::chrono::milliseconds timeout)
{
    if (!m_client)
        return false;
    const QDeadlineTimer deadline(timeout);
    m_client->write(
        frame(QJsonDocument(QJsonObject{{QStringLiteral("paths"), QJsonArray::fromStringList(paths)}})
                  .toJson(QJsonDocument::Compact)));
    while (m_client->bytesToWrite() > 0) {
        if (deadline.hasExpired() || !m_client->waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    }
    QByteArray buffer;
    for (;;) {
        buffer += m_client->readAll();
        bool junk = false;
        if (const std::optional<QJsonDocument> answer = takeMessage(buffer, &junk))
            return answer->object().value(u"ok").toBool();
        if (junk || deadline.hasExpired()
            || m_client->state() != QLocalSocket::ConnectedState
            || !m_client->waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
}

QByteArray SingleInstance::frame(const QByteArray &json)
{
    QByteArray bytes(4, '\0');
    qToBigEndian<quint32>(quint32(json.size()), bytes.data());
    return bytes + json;
}
