#include "AppTestSupport.h"

#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcessEnvironment>
#include <QTest>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace AppTest {

QString runtimeFolder()
{
    const QString folder = TestSupport::root() + QStringLiteral("/run");
    QDir().mkpath(folder);
    ::chmod(QFile::encodeName(folder).constData(), 0700);
    return folder;
}

QString logPath()
{
    return TestSupport::root() + QStringLiteral("/host.log");
}

QString markerPath()
{
    return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Marovel/crash-marker");
}

Host::Host(const QStringList &arguments, const QHash<QString, QString> &environment,
           const QString &workingFolder)
    : Host(QStringLiteral(MAROVEL_APP_HOST), arguments, environment, workingFolder)
{
}

Host::Host(const QString &program, const QStringList &arguments,
           const QHash<QString, QString> &environment, const QString &workingFolder)
{
    static int serial = 0;
    const QString stem = TestSupport::root() + QStringLiteral("/host-%1").arg(++serial);
    m_stdout = stem + QStringLiteral(".out");
    m_stderr = stem + QStringLiteral(".err");

    // Everything the child needs is made before fork: after it only system calls run.
    QList<QByteArray> argv{QFile::encodeName(program)};
    for (const QString &argument : arguments)
        argv << argument.toUtf8();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder());
    env.insert(QStringLiteral("MAROVEL_HOST_LOG"), logPath());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        env.insert(it.key(), it.value());
    QList<QByteArray> envp;
    for (const QString &entry : env.toStringList())
        envp << entry.toUtf8();
    std::vector<char *> argvPointers, envPointers;
    for (QByteArray &a : argv)
        argvPointers.push_back(a.data());
    argvPointers.push_back(nullptr);
    for (QByteArray &e : envp)
        envPointers.push_back(e.data());
    envPointers.push_back(nullptr);
    const QByteArray cwd = QFile::encodeName(workingFolder.isEmpty() ? TestSupport::root() : workingFolder);
    const QByteArray out = QFile::encodeName(m_stdout);
    const QByteArray err = QFile::encodeName(m_stderr);

    m_pid = ::fork();
    if (m_pid == 0) {
        const int outFd = ::open(out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errFd = ::open(err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (outFd < 0 || errFd < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0
            || ::chdir(cwd.constData()) != 0)
            ::_exit(126);
        ::execve(argvPointers[0], argvPointers.data(), envPointers.data());
        ::_exit(127);
    }
}

Host::~Host()
{
    if (m_pid > 0 && !hasEnded()) {
        ::kill(m_pid, SIGCONT);
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, &m_status, 0);
    }
}

void Host::signal(int signal) const
{
    ::kill(m_pid, signal);
}

bool Host::hasEnded()
{
    if (m_ended)
        return true;
    if (m_pid <= 0)
        return false;
    const pid_t done = ::waitpid(m_pid, &m_status, WNOHANG);
    m_ended = done == m_pid;
    return m_ended;
}

bool Host::waitForEnd(int ms)
{
    return waitUntil([this] { return hasEnded(); }, ms);
}

bool Host::exitedWith(int code) const
{
    return m_ended && WIFEXITED(m_status) && WEXITSTATUS(m_status) == code;
}

bool Host::killedBy(int signal) const
{
    return m_ended && WIFSIGNALED(m_status) && WTERMSIG(m_status) == signal;
}

QString Host::describe() const
{
    if (!m_ended)
        return QStringLiteral("still running");
    if (WIFEXITED(m_status))
        return QStringLiteral("exit status %1").arg(WEXITSTATUS(m_status));
    if (WIFSIGNALED(m_status))
        return QStringLiteral("killed by signal %1 (%2)")
            .arg(WTERMSIG(m_status))
            .arg(QString::fromUtf8(::strsignal(WTERMSIG(m_status))));
    return QStringLiteral("status %1").arg(m_status);
}

QByteArray Host::standardOutput() const
{
    return TestSupport::readFile(m_stdout);
}

QByteArray Host::standardError() const
{
    return TestSupport::readFile(m_stderr);
}

std::unique_ptr<Host> startHost(const QString &action, const QStringList &arguments,
                                const QHash<QString, QString> &environment,
                                const QString &workingFolder)
{
    QHash<QString, QString> env = environment;
    env.insert(QStringLiteral("MAROVEL_HOST_ACTION"), action);
    return std::make_unique<Host>(arguments, env, workingFolder);
}

QList<QJsonObject> records(const QString &event)
{
    QFile file(logPath());
    QList<QJsonObject> found;
    if (!file.open(QIODevice::ReadOnly))
        return found;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (!record.isEmpty() && (event.isEmpty() || record.value(u"event").toString() == event))
            found << record;
    }
    return found;
}

std::optional<QJsonObject> waitForRecord(const QString &event, pid_t pid, int ms,
                                         const std::function<bool(const QJsonObject &)> &matches)
{
    std::optional<QJsonObject> found;
    waitUntil([&] {
        for (const QJsonObject &record : records(event)) {
            if ((pid == 0 || record.value(u"pid").toInteger() == pid) && (!matches || matches(record))) {
                found = record;
                return true;
            }
        }
        return false;
    }, ms);
    return found;
}

bool waitUntil(const std::function<bool()> &done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(10);
    return done();
}

} // namespace AppTest
