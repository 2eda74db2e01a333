// The application's own launch, quit and crash marker (OndrelApp) with a delegate that
// has no windows: it writes what happens to it as JSON lines into $MAROVEL_HOST_LOG and
// does what $MAROVEL_HOST_ACTION asks once the launch is done. The app tests start it as
// a child process wherever a process boundary matters.
#include "FileJobs.h"
#include "FileOps.h"
#include "FileSystem.h"
#include "ModelDownload.h"
#include "OndrelApp.h"
#include "Store.h"
#include "UndoLog.h"

#include <QDir>
#include <QFile>
#include <QFutureWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QtConcurrent>

#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace {

void log(QJsonObject record)
{
    record.insert(QStringLiteral("pid"), qint64(::getpid()));
    QFile file(qEnvironmentVariable("MAROVEL_HOST_LOG"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n');
}

int signalNamed(const QString &name)
{
    static const QHash<QString, int> names{{"SIGILL", SIGILL},   {"SIGTRAP", SIGTRAP},
                                           {"SIGABRT", SIGABRT}, {"SIGFPE", SIGFPE},
                                           {"SIGBUS", SIGBUS},   {"SIGSEGV", SIGSEGV}};
    return names.value(name, 0);
}

// Recursion that no optimiser can turn into a loop, until the stack runs out. The
// condition is never false, but the compiler cannot know.
[[gnu::noinline]] int overflow(int depth)
{
    volatile char frame[1024];
    frame[0] = char(depth);
    if (frame[0] == 0 && depth < 0)
        return 0;
    return overflow(depth + 1) + frame[0];
}

QString ownFds()
{
    QStringList targets;
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        targets << fd.symLinkTarget();
    return targets.join(u'\n');
}

// A paste as the browser runs it: a job of the registry on a worker thread, its result
// on the GUI thread, where what was copied goes into the undo log and the folder into
// the Store. Each chunk of data is slowed down so that quitting meets it under way.
void slowCopy(QObject *context)
{
    const QString from = qEnvironmentVariable("MAROVEL_HOST_COPY_FROM");
    const QString to = qEnvironmentVariable("MAROVEL_HOST_COPY_TO");
    const int delay = qEnvironmentVariable("MAROVEL_HOST_CHUNK_DELAY_MS").toInt();
    QStringList sources;
    for (const QString &name : QDir(from).entryList(QDir::Files, QDir::Name))
        sources << from + u'/' + name;

    const FileJob job = FileJobs::shared().start();
    using Pairs = QList<std::pair<QString, QString>>;
    auto *watcher = new QFutureWatcher<Pairs>(context);
    QObject::connect(watcher, &QFutureWatcher<Pairs>::finished, context, [watcher, to] {
        const Pairs done = watcher->result();
        QList<UndoLog::Pair> pairs;
        for (const auto &[source, destination] : done)
            pairs << UndoLog::Pair(source, destination);
        UndoLog::shared().append(QStringLiteral("拷贝"), pairs);
        Store::shared().recordVisit(to);
        log({{"event", "copied"}, {"count", int(done.size())}});
    });
    watcher->setFuture(QtConcurrent::run([job, sources, to, delay]() -> Pairs {
        const FileSystem::CancelCheck cancelled = job.cancelCheck();
        const auto slowed = [cancelled, delay] {
            QThread::msleep(delay);
            return cancelled();
        };
        try {
            const QStringList made = FileOps::copy(sources, to, slowed);
            Pairs done;
            for (qsizetype i = 0; i < made.size(); ++i)
                done << std::pair(sources[i], made[i]);
            return done;
        } catch (const FileOpsError &error) {
            return error.completed();
        }
    }));
    log({{"event", "copying"}});
}

void startDownload()
{
    ModelDownload &download = ModelDownload::shared();
    ModelDownload::ModelFile file;
    file.urls = {qEnvironmentVariable("MAROVEL_HOST_DOWNLOAD_URL")};
    file.sha256 = QString(64, u'0');
    file.targetPath = qEnvironmentVariable("MAROVEL_HOST_DOWNLOAD_TARGET");
    QObject::connect(&download, &ModelDownload::downloadedMBChanged, &download, [] {
        log({{"event", "downloading"}});
    });
    QObject::connect(&download, &ModelDownload::stateChanged, &download, [&download] {
        if (download.state().kind == ModelDownload::State::Kind::downloading)
            log({{"event", "downloading"}});
    });
    download.start(file);
}

// The fatal signals' handlers as the process started, before the launch touched them.
QList<std::pair<int, void (*)(int)>> &handlersAtStart()
{
    static QList<std::pair<int, void (*)(int)>> handlers;
    return handlers;
}

void noteHandlersAtStart()
{
    for (const int signal : {SIGABRT, SIGSEGV, SIGBUS, SIGILL, SIGTRAP, SIGFPE}) {
        struct sigaction current{};
        ::sigaction(signal, nullptr, &current);
        handlersAtStart().append({signal, current.sa_handler});
    }
}

class HostDelegate : public AppDelegate
{
public:
    void didFinishLaunching() override
    {
        log({{"event", "launched"}});
    }

    void open(const QStringList &paths, Origin origin) override
    {
        log({{"event", "open"},
             {"origin", origin == Origin::launch ? "launch" : "forwarded"},
             {"paths", QJsonArray::fromStringList(paths)}});
        if (origin == Origin::launch)
            QTimer::singleShot(0, qApp, [] { act(qEnvironmentVariable("MAROVEL_HOST_ACTION")); });
    }

    void stopWork() override { log({{"event", "stopWork"}}); }
    void willTerminate() override { log({{"event", "willTerminate"}}); }

private:
    static void act(const QString &action)
    {
        log({{"event", "ready"}});
        if (action.startsWith(u"raise:")) {
            ::raise(signalNamed(action.mid(6)));
        } else if (action == u"overflow") {
            std::printf("%d\n", overflow(0));
        } else if (action == u"throw") {
            throw std::runtime_error("uncaught on purpose");
        } else if (action == u"exec-fds") {
            log({{"event", "fds"}, {"targets", ownFds()}});
            ::execl("/bin/ls", "ls", "-l", "/proc/self/fd", static_cast<char *>(nullptr));
        } else if (action == u"handlers") {
            // Compared with what the process had before the launch: a sanitizer installs
            // handlers of its own, so "unchanged" rather than "default".
            bool unchanged = true;
            for (const auto &[signal, before] : handlersAtStart()) {
                struct sigaction current{};
                ::sigaction(signal, nullptr, &current);
                unchanged = unchanged && current.sa_handler == before;
            }
            log({{"event", "handlers"}, {"unchanged", unchanged}});
        } else if (action == u"copy") {
            slowCopy(qApp);
        } else if (action == u"download") {
            startDownload();
        } else if (action == u"window") {
            auto *window = new QWidget;
            window->setAttribute(Qt::WA_DeleteOnClose);
            window->show();
            Store::shared().recordVisit(qEnvironmentVariable("MAROVEL_HOST_VISIT"));
            QTimer::singleShot(100, window, &QWidget::close);
        }
    }
};

} // namespace

int main(int argc, char **argv)
{
    noteHandlersAtStart();
    HostDelegate delegate;
    return OndrelApp::main(argc, argv, delegate);
}
