#pragma once

// A local Ollama server for tests, on 127.0.0.1: "/api/tags" lists the models it is given
// (status 200), answers with an error status, or never answers; it can also hold each
// answer until the test lets it go. Other paths answer 404.
#include "LoopbackHttp.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QSemaphore>
#include <QStringList>

class FakeOllama
{
public:
    enum class Mode { up, error, stall };

    explicit FakeOllama(QStringList models = {}, Mode mode = Mode::up)
        : m_models(std::move(models)), m_mode(mode),
          m_server([this](const Loopback::Request &request) { return answer(request); })
    {
    }

    ~FakeOllama() { release(); }

    FakeOllama(const FakeOllama &) = delete;
    FakeOllama &operator=(const FakeOllama &) = delete;

    QString base() const { return m_server.base(); }
    // How many times "/api/tags" was asked for.
    qsizetype tagRequests() const { return m_server.hits("/api/tags"); }

    void setModels(const QStringList &models)
    {
        QMutexLocker locker(&m_lock);
        m_models = models;
    }
    void setMode(Mode mode)
    {
        QMutexLocker locker(&m_lock);
        m_mode = mode;
    }
    // From now on each answer waits until release() (the server's own thread waits).
    void hold()
    {
        QMutexLocker locker(&m_lock);
        m_holding = true;
    }
    void release()
    {
        QMutexLocker locker(&m_lock);
        if (!m_holding)
            return;
        m_holding = false;
        m_gate.release(1000);
    }

private:
    Loopback::Reply answer(const Loopback::Request &request)
    {
        bool holding;
        {
            QMutexLocker locker(&m_lock);
            holding = m_holding;
        }
        if (holding)
            m_gate.acquire();
        QMutexLocker locker(&m_lock);
        if (request.path != "/api/tags")
            return Loopback::Reply::json("{\"error\":\"not found\"}", 404);
        Loopback::Reply reply;
        switch (m_mode) {
        case Mode::up: {
            QJsonArray list;
            for (const QString &name : std::as_const(m_models))
                list.append(QJsonObject{{QStringLiteral("name"), name}});
            reply = Loopback::Reply::json(
                QJsonDocument(QJsonObject{{QStringLiteral("models"), list}}).toJson(QJsonDocument::Compact));
            break;
        }
        case Mode::error: reply = Loopback::Reply::json("{\"error\":\"boom\"}", 500); break;
        case Mode::stall: reply.mode = Loopback::Reply::Mode::noAnswer; break;
        }
        return reply;
    }

    mutable QMutex m_lock;
    QStringList m_models;
    Mode m_mode;
    bool m_holding = false;
    QSemaphore m_gate;
    Loopback::Server m_server; // last: its thread stops before the rest goes
};
