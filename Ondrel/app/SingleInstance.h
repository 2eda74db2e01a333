#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>

class QLocalServer;
class QLocalSocket;

// One running application per user. The first start listens on a local socket in the
// user's runtime folder; a later start finds it answering, hands over its paths and
// exits. Deciding and listening happen under a lock file, so of two starts at the same
// moment exactly one becomes the running application. A socket left behind by a process
// that was killed is removed and taken over.
//
// On the wire each message is a 4-byte big-endian length and that many bytes of JSON:
// the later start sends {"paths": [absolute paths]}, the running one answers {"ok": true}
// once it has taken them. Anything else is ignored and the connection dropped.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Role {
        primary,   // this process listens: it is the running application
        secondary, // another process answers: forward() to it
        alone,     // no usable runtime folder or lock: run without the single instance
    };

    static constexpr qint32 largestMessage = 4 * 1024 * 1024;

    // `folder` holds the socket and the lock file; empty means defaultFolder().
    explicit SingleInstance(const QString &folder = {}, QObject *parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR when it is a folder of this user's, else a folder of this user's
    // only (0700) in the temporary folder; empty when neither can be had safely.
    static QString defaultFolder();

    QString socketPath() const { return m_socketPath; }
    QString problem() const { return m_problem; } // why the role is `alone`

    Role claim();
    // For a primary that is quitting: the socket goes, so the next start runs on its own.
    void stopListening();

    // For a secondary: sends `paths` to the running application and waits for its answer;
    // true when it took them within `timeout`.
    bool forward(const QStringList &paths, std::chrono::milliseconds timeout);

    static QByteArray frame(const QByteArray &json);

signals:
    // On the primary: paths a later start handed over (absolute; maybe empty).
    void pathsReceived(const QStringList &paths);

private:
    bool listen();
    void serve(QLocalSocket *socket);

    QString m_folder;
    QString m_socketPath;
    QString m_problem;
    QLocalServer *m_server = nullptr;
    QLocalSocket *m_client = nullptr;
};
