#pragma once

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <sys/types.h>

// The test host (tests/app/AppHost.cpp) as a child process: started with fork and execve
// in a working folder and an environment of the test's own, stdout and stderr in files,
// ended by waitpid so the exact exit status or signal can be checked.
namespace AppTest {

// The folder for the runtime socket of this test (0700), and the host's log.
QString runtimeFolder();
QString logPath();
QString markerPath(); // $XDG_DATA_HOME/Marovel/crash-marker

class Host
{
public:
    Host(const QStringList &arguments, const QHash<QString, QString> &environment,
         const QString &workingFolder);
    // Any program instead of the host (the application itself).
    Host(const QString &program, const QStringList &arguments,
         const QHash<QString, QString> &environment, const QString &workingFolder);
    ~Host(); // kills and reaps a host still running

    Host(const Host &) = delete;
    Host &operator=(const Host &) = delete;

    pid_t pid() const { return m_pid; }
    void signal(int signal) const;

    // Waits up to `ms` for the host to end; true when it has.
    bool waitForEnd(int ms);
    bool hasEnded();
    // The waitpid status; only after the host has ended.
    int status() const { return m_status; }
    bool exitedWith(int code) const;
    bool killedBy(int signal) const;
    QString describe() const; // the status in words, for failure messages

    QByteArray standardOutput() const;
    QByteArray standardError() const;

private:
    pid_t m_pid = -1;
    int m_status = 0;
    bool m_ended = false;
    QString m_stdout;
    QString m_stderr;
};

// Starts the host; `action` goes into MAROVEL_HOST_ACTION.
std::unique_ptr<Host> startHost(const QString &action = {}, const QStringList &arguments = {},
                                const QHash<QString, QString> &environment = {},
                                const QString &workingFolder = {});

// The log's records (JSON lines of every host of this test), optionally those of one event.
QList<QJsonObject> records(const QString &event = {});
// Waits up to `ms` for a record of `event` from `pid` (any pid when 0) that `matches`.
std::optional<QJsonObject> waitForRecord(const QString &event, pid_t pid = 0, int ms = 15000,
                                         const std::function<bool(const QJsonObject &)> &matches = {});

// Runs the event loop until `done` holds or `ms` pass; returns done().
bool waitUntil(const std::function<bool()> &done, int ms);

} // namespace AppTest
