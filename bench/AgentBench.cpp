// The watch agent under a burst of new files, and the same reading done plainly.
//   agent_bench make <folder> <count>   writes <count> small text invoices, each from
//                                       another seller, into <folder>
//   agent_bench agent <staging> <watched>
//                                       starts an agent on <watched>, moves every file of
//                                       <staging> into it, and prints the milliseconds from
//                                       the first move to the last proposal, the longest
//                                       stall of the event loop in milliseconds and the
//                                       number of proposals
//   agent_bench plain <folder>          extraction and detection of every file on two
//                                       threads; prints the milliseconds
#include "Defaults.h"
#include "WatchAgent.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentMap>

#include <cstdio>

namespace {

int make(const QString &folder, int count)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        QFile file(QStringLiteral("%1/download-%2.txt").arg(folder).arg(i, 5, 10, QChar(u'0')));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(QStringLiteral("Vendor %1 Widgets Inc.\nINVOICE\nInvoice Number: %2\n"
                                  "Invoice Date: March 5, 2024\nBill To:\nGlobex Corporation\n"
                                  "Total Due: $%3.50\n")
                       .arg(i)
                       .arg(1000 + i)
                       .arg(100 + i)
                       .toUtf8());
    }
    return 0;
}

QStringList filesIn(const QString &folder)
{
    QStringList paths;
    for (const QString &name : QDir(folder).entryList(QDir::Files, QDir::Name))
        paths << folder + u'/' + name;
    return paths;
}

int agent(const QString &staging, const QString &watched)
{
    QDir().mkpath(watched);
    Defaults::shared().setValue(QStringLiteral("watchedFolderPaths"), QStringList{watched});
    const QStringList files = filesIn(staging);

    WatchAgent watchAgent; // the product's timings: latency 1 s, settle 2 s
    QSignalSpy watching(&watchAgent, &WatchAgent::watching);
    watchAgent.start();
    if (!watching.wait(10000))
        return 1;

    // The event loop's longest pause: a 5 ms timer should tick without gaps.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, sinceTick.restart() - 5);
    });

    QElapsedTimer clock;
    qint64 lastProposal = -1;
    QObject::connect(&watchAgent, &WatchAgent::pendingChanged, [&] {
        if (watchAgent.pending().size() == files.size()) {
            lastProposal = clock.elapsed();
            QCoreApplication::quit();
        }
    });
    QTimer::singleShot(0, [&] {
        clock.start();
        sinceTick.start();
        ticker.start();
        for (const QString &path : files)
            QFile::rename(path, watched + u'/' + QFileInfo(path).fileName());
    });
    QTimer::singleShot(600000, &QCoreApplication::quit);
    QCoreApplication::exec();
    std::printf("%lld %lld %lld\n", static_cast<long long>(lastProposal),
                static_cast<long long>(std::max<qint64>(longestStall, 0)),
                static_cast<long long>(watchAgent.pending().size()));
    return lastProposal < 0 ? 1 : 0;
}

int plain(const QString &folder)
{
    const QStringList files = filesIn(folder);
    QThreadPool pool;
    pool.setMaxThreadCount(2);
    QElapsedTimer clock;
    clock.start();
    QtConcurrent::blockingMap(&pool, files, [](const QString &path) {
        WatchAgent::readAndDetect(path, QStringLiteral("qwen2.5:7b"));
    });
    std::printf("%lld\n", static_cast<long long>(clock.elapsed()));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"make")
        return make(args[2], args[3].toInt());
    if (args.size() == 4 && args[1] == u"agent")
        return agent(args[2], args[3]);
    if (args.size() == 3 && args[1] == u"plain")
        return plain(args[2]);
    std::fprintf(stderr, "usage: agent_bench make <folder> <count> | agent <staging> <watched> | plain <folder>\n");
    return 2;
}
