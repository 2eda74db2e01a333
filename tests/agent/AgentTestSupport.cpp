#include "AgentTestSupport.h"

#include "Defaults.h"

#include <QMutexLocker>

namespace AgentTest {

void AnalysisLog::add(const QString &path)
{
    QMutexLocker locked(&m_lock);
    m_paths << path;
}

QStringList AnalysisLog::paths() const
{
    QMutexLocker locked(&m_lock);
    return m_paths;
}

WatchAgent::Options fastOptions(const std::shared_ptr<AnalysisLog> &log, WatchAgent::Analyse analyse)
{
    WatchAgent::Options options;
    options.latencyMs = 50;
    options.settleMs = 300;
    options.analyse = [log, analyse](const QString &path, const QString &model) {
        log->add(path);
        return analyse(path, model);
    };
    return options;
}

ScenarioMatch goodMatch(const QString &base, ScenarioKind kind)
{
    ScenarioMatch match;
    match.kind = kind;
    match.conf = ScenarioMatch::Conf::high;
    match.base = base;
    match.recognized = QStringLiteral("这看起来是发票");
    match.renameReady = true;
    return match;
}

QByteArray invoiceText(const QString &seller)
{
    return (seller + QStringLiteral("\nINVOICE\nInvoice Number: 1042\nInvoice Date: March 5, 2024\n"
                                    "Bill To:\nGlobex Corporation\nTotal Due: $1,234.50\n"))
        .toUtf8();
}

void watchOnly(const QStringList &folders)
{
    Defaults::shared().setValue(QStringLiteral("watchedFolderPaths"), folders);
}

QString newestName(const WatchAgent &agent)
{
    return agent.pending().isEmpty() ? QString() : agent.pending().first().newName;
}

} // namespace AgentTest
