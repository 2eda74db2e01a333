// The browser's naming operations: scenario cache and filing, organising a folder into
// proposals, and applying proposals, batch rules and the demo.

#include "BrowserState.h"

#include "FileJobs.h"

#include "CoreError.h"
#include "Defaults.h"
#include "Extractor.h"
#include "FileFilter.h"
#include "FileOps.h"
#include "FileOpsError.h"
#include "FileReadings.h"
#include "FileSystem.h"
#include "LocalLLM.h"
#include "Localization.h"
#include "Namer.h"
#include "NamingDecision.h"
#include "NamingTemplate.h"
#include "Onboarding.h"
#include "OwnChanges.h"
#include "PaneDemo.h"
#include "PaneState.h"
#include "SampleGen.h"
#include "ScenarioDetection.h"
#include "Telemetry.h"
#include "WhenReady.h"

#include <QFileInfo>
#include <QPromise>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent>

namespace {

constexpr int organizeBatch = 3;
constexpr int demoLimit = 12;
const QString preReadKey = QStringLiteral("preReadEnabled");

// Naming work (proposals, detections, filing and renames) runs here, away from the pools
// of listings and copies.
QThreadPool &namingPool()
{
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(4);
        return p;
    }();
    return *pool;
}

QString preferredModel()
{
    const QString model = Defaults::shared().value(Namer::preferredModelKey).toString();
    return model.isEmpty() ? Namer::defaultModel : model;
}

QString parentOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

QString nameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

// The outcome of one detection: the scenario, or why the file could not be read.
struct Detection
{
    std::optional<ScenarioMatch> match;
    QString error; // empty with a match, or when the failure gave no reason
};

// Extraction and detection of one file (through the shared readings, so naming the file
// afterwards reads it no second time), on the calling worker thread; `low` lowers the
// thread's priority for the time of the work (the pre-read). Whatever fails comes back as
// the outcome's error, never as an exception that would leave the detection unanswered.
Detection detectScenario(const QString &path, const QString &model, bool low)
{
    QThread *thread = QThread::currentThread();
    const QThread::Priority before = thread->priority();
    if (low)
        thread->setPriority(QThread::LowPriority);
    Detection outcome;
    try {
        outcome.match = FileReadings::shared().read(path, model).match;
    } catch (const MarovelError &error) {
        outcome.error = error.description();
    } catch (const std::exception &error) {
        outcome.error = QString::fromLocal8Bit(error.what());
    } catch (...) {
    }
    if (low)
        thread->setPriority(before == QThread::InheritPriority ? QThread::NormalPriority : before);
    return outcome;
}

// One rename or filing move done off the GUI thread: the final path, or the error text.
struct MoveOutcome
{
    QString destination; // empty: nothing to do, gone or failed
    QString error;
    bool gone = false; // the file was no longer there
};

} // namespace

// --- Scenario cache and filing ------------------------------------------------------------

QFuture<ScenarioMatch> BrowserState::scenario(const QString &path)
{
    return scenarioAt(path, false);
}

QFuture<ScenarioMatch> BrowserState::scenarioAt(const QString &path, bool lowPriority)
{
    if (const auto cached = m_scenarioCache.constFind(path); cached != m_scenarioCache.constEnd())
        return QtFuture::makeReadyFuture(*cached);
    if (const auto running = m_scenarioInFlight.constFind(path); running != m_scenarioInFlight.constEnd())
        return *running;

    auto promise = std::make_shared<QPromise<ScenarioMatch>>();
    promise->start();
    QFuture<ScenarioMatch> shared = promise->future();
    m_scenarioInFlight.insert(path, shared);

    const QString model = preferredModel();
    QFuture<Detection> detection = QtConcurrent::run(&namingPool(), [path, model, lowPriority] {
        return detectScenario(path, model, lowPriority);
    });
    whenReady(detection, this, [this, path, promise](const Detection &outcome) {
        m_scenarioInFlight.remove(path);
        if (!outcome.match) {
            // Not kept: selecting the file again tries again. Those waiting get "nothing
            // recognised", and the status line says why.
            const QString reason = outcome.error.isEmpty() ? L("意外错误") : outcome.error;
            qWarning("scenario detection failed for %s: %s", qUtf8Printable(path), qUtf8Printable(reason));
            setStatus(L("无法读取文件“%@”：%@", nameOf(path), reason));
            promise->addResult(ScenarioMatch{});
            promise->finish();
            return;
        }
        ScenarioMatch match = *outcome.match;
        if (match.kind != ScenarioKind::unknown) {
            Telemetry::track(Telemetry::Event::scenarioDetected(
                ScenarioKinds::rawValue(match.kind), ScenarioMatch::rawValue(match.conf), 1));
        }
        if (const auto bucket = existingBucket(match.bucketKeywords))
            match.folderHint = *bucket;
        m_scenarioCache.insert(path, match);
        promise->addResult(match);
        promise->finish();
    });
    return shared;
}

std::optional<QString> BrowserState::existingBucket(const QStringList &keywords) const
{
    PaneState *pane = activePaneIfAny();
    if (!pane || keywords.isEmpty())
        return std::nullopt;
    for (const FileItem &item : pane->items()) {
        if (!item.isDir)
            continue;
        for (const QString &keyword : keywords) {
            if (!keyword.isEmpty() && item.name.contains(keyword, Qt::CaseInsensitive))
                return item.name;
        }
    }
    return std::nullopt;
}

bool BrowserState::acceptableName(const QString &name, const QString &currentName)
{
    if (name != name.trimmed() || name.isEmpty() || name == u"." || name == u"..")
        return false;
    if (name.contains(u'/') || name.contains(u':') || name.contains(QChar(0)))
        return false;
    return !name.startsWith(u'.') || currentName.startsWith(u'.');
}

void BrowserState::fileScenario(const QString &path, const QString &folder, const QString &finalName)
{
    const QString safe = ScenarioDetector::safeFolder(folder);
    QString destination = activePane()->current();
    for (const QString &piece : safe.split(u'/', Qt::SkipEmptyParts))
        destination += u'/' + piece;
    const QString name = finalName.trimmed().isEmpty() ? nameOf(path) : finalName.trimmed();
    if (!acceptableName(name, nameOf(path))) {
        setStatus(L("归档失败：%@", L("名字无效")));
        return;
    }

    const QString shown = safe.isEmpty() ? nameOf(destination) : safe;
    runFileJob(this, [path, destination, name](const FileJob &job) {
        if (const int error = FileSystem::makePath(destination))
            return MoveOutcome{{}, systemReason(error)};
        // Already there under that name (an empty or unsafe folder names the current
        // one): nothing to move, and no numbered copy of its own name.
        if (destination + u'/' + name == path)
            return MoveOutcome{path, {}};
        try {
            const QString free = FileOps::collisionFreeName(destination, name, {});
            OwnChanges::note(path);
            OwnChanges::note(destination + u'/' + free);
            return MoveOutcome{FileOps::moveTo(path, destination, free, NameClash::NextFree,
                                               job.cancelCheck()), {}};
        } catch (const FileOpsError &error) {
            return MoveOutcome{{}, error.description()};
        }
    }, [this, path, shown](const MoveOutcome &outcome) {
        if (outcome.destination.isEmpty()) {
            setStatus(L("归档失败：%@", outcome.error));
            return;
        }
        if (outcome.destination == path) {
            setStatus(L("已归入 %@", shown));
            return;
        }
        Telemetry::track(Telemetry::Event::fileFiled(QStringLiteral("unknown"), true));
        const QList<Pair> pairs{{path, outcome.destination}};
        refreshFolders(foldersOf(pairs));
        pushUndo(L("归档"), OpKind::Move, pairs, Reversal::MoveBack);
        setStatus(L("已归入 %@", shown));
    });
}

// --- Organising a folder ------------------------------------------------------------------

struct BrowserState::OrganizeRun
{
    QStringList pending;
    QString model;
    bool allowDownload = false;
    int total = 0;
    int finished = 0;
    int inFlight = 0;
    bool cancelled = false;
    QHash<QString, Proposal> results;
};

namespace {

QStringList eligiblePaths(const QList<FileItem> &items)
{
    QStringList paths;
    for (const FileItem &item : items) {
        if (!FileFilter::excludedFromNaming(item.path, item.isDir))
            paths << item.path;
    }
    return paths;
}

} // namespace

void BrowserState::preReadCurrentFolder()
{
    if (!Defaults::shared().boolValue(preReadKey, false))
        return;
    const int generation = ++m_preReadGen;
    QStringList paths;
    for (const QString &path : eligiblePaths(activePane()->items())) {
        if (!m_scenarioCache.contains(path))
            paths << path;
    }
    if (paths.isEmpty())
        return;

    preReadStep(paths, 0, generation);
}

// One file at a time: the next starts when the previous one's scenario is in, and the walk
// ends for good once a newer pre-read has started.
void BrowserState::preReadStep(const QStringList &paths, int index, int generation)
{
    if (index >= paths.size() || m_preReadGen != generation)
        return;
    whenReady(scenarioAt(paths.at(index), true), this,
              [this, paths, index, generation](const ScenarioMatch &) {
                  preReadStep(paths, index + 1, generation);
              });
}

void BrowserState::organize()
{
    organizeURLs(eligiblePaths(activePane()->items()), false);
}

void BrowserState::organizeURLs(const QStringList &paths, bool allowDownload)
{
    if (paths.isEmpty())
        return;
    const QString tier = m_ollamaUp ? QStringLiteral("ollama")
                         : LocalLLM::activeModelPath() ? QStringLiteral("builtin_qwen")
                                                       : QStringLiteral("regex");
    Telemetry::track(Telemetry::Event::modelUsed(tier, 0));

    auto run = std::make_shared<OrganizeRun>();
    run->pending = paths;
    run->model = preferredModel();
    run->allowDownload = allowDownload;
    run->total = int(paths.size());
    m_organizeRun = run;
    setScanning(true);
    setProgress(0);
    nextOrganizeBatch(run);
}

void BrowserState::nextOrganizeBatch(const std::shared_ptr<OrganizeRun> &run)
{
    if (run->cancelled)
        return;
    if (run->pending.isEmpty()) {
        finishOrganize(run);
        return;
    }
    const QStringList batch = run->pending.mid(0, organizeBatch);
    run->pending.remove(0, batch.size());
    run->inFlight = int(batch.size());
    for (const QString &path : batch) {
        QFuture<Proposal> proposal = QtConcurrent::run(
            &namingPool(), [path, model = run->model, allow = run->allowDownload] {
                return Core::propose(path, model, allow);
            });
        whenReady(proposal, this, [this, run](const Proposal &result) {
            if (run->cancelled)
                return;
            run->results.insert(result.path, result);
            ++run->finished;
            --run->inFlight;
            setProgress(double(run->finished) / std::max(run->total, 1));
            setStatus(L("分析中… %lld/%lld", qint64(run->finished), qint64(run->total)));
            if (run->inFlight == 0)
                nextOrganizeBatch(run);
        });
    }
}

void BrowserState::finishOrganize(const std::shared_ptr<OrganizeRun> &run)
{
    PaneState *pane = activePane();
    QList<FileItem> items = pane->items();
    int accepted = 0;
    for (FileItem &item : items) {
        const auto found = run->results.constFind(item.path);
        if (found == run->results.constEnd())
            continue;
        item.conf = found->confidence;
        item.reason = found->reason;
        item.suggestion = found->changed ? std::optional<QString>(found->newName) : std::nullopt;
        item.accept = found->changed;
        if (item.accept)
            ++accepted;
    }
    pane->setItems(items);
    if (m_organizeRun == run) {
        m_organizeRun.reset();
        setScanning(false);
    }
    if (run->cancelled)
        return;
    // Counted over this run's files only, so earlier ticks never make "kept" negative.
    const int kept = run->total - accepted;
    if (accepted >= 1)
        setStatus(L("AI 建议改名 %lld 个，保持原样 %lld 个 · 勾选后点「应用改名」", qint64(accepted), qint64(kept)));
    else if (kept >= 1)
        setStatus(L("AI 看过 %lld 个文件：都已是合适的名字，或没读出可命名的内容（鼠标悬停文件看原因）", qint64(kept)));
}

void BrowserState::cancelOrganize()
{
    const std::shared_ptr<OrganizeRun> run = m_organizeRun;
    if (!run)
        return;
    run->cancelled = true;
    finishOrganize(run); // writes what has finished, clears `scanning`
    setStatus(L("已停止分析 %lld/%lld", qint64(run->finished), qint64(run->total)));
}

// --- Applying proposals, batch rules and the demo -----------------------------------------

struct BrowserState::ApplyRun
{
    QList<std::pair<QString, QString>> renames; // (path, wanted name), in order
    int next = 0;
    int invalid = 0;
    bool cancelled = false;
    QString stepName;
    QString doneText;
    QString statusBefore; // shown again when nothing was renamed
    QSet<QString> reserved; // names given in this apply, per folder: "folder/name"
    QList<Pair> pairs;
    int failed = 0;
    int gone = 0;
    QString firstError;
    FileJob job; // the whole apply is one job: quitting waits for it or stops it between files
};

void BrowserState::setAccept(const QString &path, bool on)
{
    PaneState *pane = activePane();
    QList<FileItem> items = pane->items();
    for (FileItem &item : items) {
        if (item.path == path) {
            item.accept = on;
            pane->setItems(items);
            return;
        }
    }
}

void BrowserState::setSuggestion(const QString &path, const QString &name)
{
    PaneState *pane = activePane();
    QList<FileItem> items = pane->items();
    for (FileItem &item : items) {
        if (item.path == path) {
            item.suggestion = name;
            pane->setItems(items);
            return;
        }
    }
}

void BrowserState::clearSuggestions()
{
    PaneState *pane = activePane();
    QList<FileItem> items = pane->items();
    for (FileItem &item : items) {
        item.suggestion.reset();
        item.accept = false;
        item.conf = FileItem::noConfidence();
        item.reason.clear();
    }
    pane->setItems(items);
}

void BrowserState::applyBatchRule(const QString &find, const QString &replace, const QString &prefix,
                                  bool addSeq)
{
    PaneState *pane = activePane();
    QList<FileItem> items = pane->items();
    int sequence = 1;
    for (FileItem &item : items) {
        if (item.isDir)
            continue;
        auto [base, ext] = FileOps::splitExtension(item.name);
        if (!find.isEmpty())
            base.replace(find, replace, Qt::CaseSensitive);
        if (!prefix.isEmpty())
            base.prepend(prefix);
        if (addSeq)
            base += QString::asprintf("_%03d", sequence++);
        const QString name = ext.isEmpty() ? base : base + u'.' + ext;
        if (name == item.name) {
            item.suggestion.reset();
            item.accept = false;
        } else {
            item.suggestion = name;
            item.accept = true;
        }
        item.conf = QStringLiteral("high");
        item.reason = L("批量规则");
    }
    pane->setItems(items);
    setStatus(L("批量规则已生成建议，检查后点应用"));
}

void BrowserState::applyRenames()
{
    if (m_applying)
        return;
    QList<std::pair<QString, QString>> renames;
    int invalid = 0;
    for (const FileItem &item : activePane()->items()) {
        if (!item.accept || !item.suggestion || *item.suggestion == item.name)
            continue;
        if (acceptableName(*item.suggestion, item.name))
            renames.append({item.path, *item.suggestion});
        else
            ++invalid;
    }
    startApply(renames, invalid, L("AI 改名"), QStringLiteral("已改名 %lld 个（可撤销）"));
}

void BrowserState::applyDemo(const QList<DemoItem> &items)
{
    if (m_applying)
        return;
    QList<std::pair<QString, QString>> renames;
    int invalid = 0;
    for (const DemoItem &item : items) {
        if (!item.accept)
            continue;
        if (acceptableName(item.newName, nameOf(item.path)))
            renames.append({item.path, item.newName});
        else
            ++invalid;
    }
    startApply(renames, invalid, L("AI 命名"), QStringLiteral("已重命名 %lld 个（可撤销）"));
}

void BrowserState::cancelApply()
{
    if (m_applyRun)
        m_applyRun->cancelled = true;
}

void BrowserState::startApply(const QList<std::pair<QString, QString>> &renames, int invalid,
                              const QString &stepName, const QString &doneText)
{
    auto run = std::make_shared<ApplyRun>();
    run->job = FileJobs::shared().start();
    if (!run->job)
        return; // quitting
    run->renames = renames;
    run->invalid = invalid;
    run->stepName = stepName;
    run->doneText = doneText;
    run->statusBefore = m_status;
    m_applyRun = run;
    setApplying(true);
    setProgress(0);
    nextApply(run);
}

void BrowserState::nextApply(const std::shared_ptr<ApplyRun> &run)
{
    if (run->cancelled || run->job.isCancelled() || run->next >= run->renames.size()) {
        finishApply(run);
        return;
    }
    const auto [path, wanted] = run->renames.at(run->next++);
    const QString folder = parentOf(path);
    QSet<QString> taken;
    for (const QString &reserved : std::as_const(run->reserved)) {
        if (parentOf(reserved) == folder)
            taken.insert(nameOf(reserved));
    }
    QFuture<MoveOutcome> moving = QtConcurrent::run(&namingPool(), [job = run->job, path, folder, wanted, taken] {
        if (!FileSystem::exists(path))
            return MoveOutcome{{}, {}, true};
        const QString free = FileOps::collisionFreeName(folder, wanted, taken);
        if (folder + u'/' + free == path)
            return MoveOutcome{};
        try {
            OwnChanges::note(path);
            OwnChanges::note(folder + u'/' + free);
            return MoveOutcome{FileOps::moveTo(path, folder, free, NameClash::NextFree, job.cancelCheck()), {}};
        } catch (const FileOpsError &error) {
            return MoveOutcome{{}, error.description()};
        }
    });
    whenReady(moving, this, [this, run, path](const MoveOutcome &outcome) {
        if (!outcome.destination.isEmpty()) {
            run->pairs.append({path, outcome.destination});
            run->reserved.insert(outcome.destination);
        } else if (outcome.gone) {
            ++run->gone;
        } else if (!outcome.error.isEmpty()) {
            if (run->failed++ == 0)
                run->firstError = outcome.error;
        }
        setProgress(double(run->next) / std::max<qsizetype>(run->renames.size(), 1));
        setStatus(L("改名中… %lld/%lld", qint64(run->next), qint64(run->renames.size())));
        nextApply(run);
    });
}

void BrowserState::finishApply(const std::shared_ptr<ApplyRun> &run)
{
    if (m_applyRun == run)
        m_applyRun.reset();
    run->job = FileJob(); // ends the job once the last file's work has let go of it
    setApplying(false);
    QSet<QString> folders = foldersOf(run->pairs);
    for (const auto &[path, wanted] : std::as_const(run->renames))
        folders << parentOf(path);
    refreshFolders(folders);

    // Every file that was not renamed is accounted for, after what was done.
    QStringList notes;
    if (run->invalid > 0)
        notes << L("%lld 个名字无效，已跳过", qint64(run->invalid));
    if (run->failed > 0)
        notes << L("%lld 个未能改名：%@", qint64(run->failed), run->firstError);
    if (run->gone > 0)
        notes << L("%lld 个文件已不在，已跳过", qint64(run->gone));
    if (run->pairs.isEmpty()) {
        setStatus(notes.isEmpty() ? run->statusBefore : notes.join(u' '));
        return;
    }
    pushUndo(run->stepName, OpKind::Rename, run->pairs, Reversal::MoveBack);
    setStatus((QStringList{L(run->doneText, qint64(run->pairs.size()))} + notes).join(u' '));
}

namespace {

// The demo's walk over its files, one scenario after another. Owned by the callback that
// waits for the next scenario, so it ends (and its future is cancelled) with the state.
struct DemoWalk
{
    QStringList paths;
    QList<DemoItem> rows;
    QPromise<QList<DemoItem>> promise;
};

void demoStep(BrowserState *state, const std::shared_ptr<DemoWalk> &walk, int index)
{
    if (index >= walk->paths.size()) {
        walk->promise.addResult(walk->rows);
        walk->promise.finish();
        return;
    }
    const QString path = walk->paths.at(index);
    whenReady(state->scenario(path), state, [state, walk, path, index](const ScenarioMatch &match) {
        if (match.kind != ScenarioKind::unknown && match.renameReady && !match.base.isEmpty()) {
            const QString name = nameOf(path);
            const QString rendered = NamingTemplate::loadOrMigrate().render(
                match.base, match.datePrefix, FileOps::splitExtension(name).second);
            if (rendered != name)
                walk->rows.append(DemoItem{QUuid::createUuid(), path, name, rendered, match.recognized, true});
        }
        demoStep(state, walk, index + 1);
    });
}

} // namespace

QFuture<QList<DemoItem>> BrowserState::demoProposals(const QStringList &paths)
{
    auto walk = std::make_shared<DemoWalk>();
    walk->paths = paths.mid(0, demoLimit);
    walk->promise.start();
    QFuture<QList<DemoItem>> result = walk->promise.future();
    demoStep(this, walk, 0);
    return result;
}

void BrowserState::startSampleDemo()
{
    const QString dir = SampleGen::makeDir();
    m_scenarioCache.clear();
    if (PaneState *pane = activePane())
        pane->go(dir, true);
    setSampleDemoDir(dir);
    Defaults::shared().setValue(QString::fromLatin1(OnboardingKeys::sampleDemoRan), true);
}

void BrowserState::runSampleDemoStep()
{
    if (m_sampleDemoDir.isEmpty())
        return;
    const QString dir = FileItem::identityPath(m_sampleDemoDir);
    for (PaneState *pane : std::as_const(m_panes)) {
        if (pane->current() == dir) {
            setSampleDemoDir({});
            pane->demo().loadSamples(dir);
            return;
        }
    }
}
