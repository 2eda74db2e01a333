#pragma once

#include "BrowserTestSupport.h"
#include "ScenarioMatch.h"
#include "WatchAgent.h"

#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace AgentTest {

using BrowserTest::waitFor;

// The paths an agent handed to its analysis, in the order the analysis ran (any thread).
class AnalysisLog
{
public:
    void add(const QString &path);
    QStringList paths() const;
    bool contains(const QString &path) const { return paths().contains(path); }

private:
    mutable QMutex m_lock;
    QStringList m_paths;
};

// Options with short waits, analysing through `analyse` and logging into `log`.
WatchAgent::Options fastOptions(const std::shared_ptr<AnalysisLog> &log,
                                WatchAgent::Analyse analyse = &WatchAgent::readAndDetect);

// A match good enough to propose `base`.
ScenarioMatch goodMatch(const QString &base, ScenarioKind kind = ScenarioKind::invoice);

// An English invoice as a text file the detector recognises.
QByteArray invoiceText(const QString &seller = QStringLiteral("Acme Widgets Inc."));

// Stores the folders as the watched list.
void watchOnly(const QStringList &folders);

// The newest proposal's new name, or "" when there is none.
QString newestName(const WatchAgent &agent);

} // namespace AgentTest
