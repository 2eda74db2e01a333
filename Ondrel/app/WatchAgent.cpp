#include "WatchAgent.h"

#include "Defaults.h"
#include "Extractor.h"
#include "FileFilter.h"
#include "FileOps.h"
#include "FileSystem.h"
#include "Localization.h"
#include "NamingTemplate.h"
#include "OwnChanges.h"
#include "ScenarioDetection.h"
#include "Telemetry.h"
#include "WhenReady.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <sys/stat.h>

#include <utility>

namespace {

const QString watchedFolderPathsKey = QStringLiteral("watchedFolderPaths");
const QString agentEnabledKey = QStringLiteral("agentEnabled");

QString composed(const QString &text)
{
    return text.normalized(QString::NormalizationForm_C);
}

bool sameText(const QString &a, const QString &b)
{
    return a == b || composed(a) == composed(b);
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).path();
}

QString nameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

// The extension as the file name carries it, case kept ("Scan.PDF" gives "PDF").
QString extensionOf(const QString &path)
{
    return FileOps::splitExtension(nameOf(path)).second;
}

QString renameInPlace(const QString &path, const QString &name)
{
    return FileOps::moveTo(path, folderOf(path), name, NameClash::NextFree);
}

} // namespace

bool WatchAgent::Item::operator==(const Item &other) const
{
    return sameText(path, other.path) && sameText(newName, other.newName);
}

WatchAgent &WatchAgent::shared()
{
    static auto *agent = new WatchAgent; // never freed: pending work may still reach it
    return *agent;
}

WatchAgent::WatchAgent(QObject *parent) : WatchAgent(Options(), parent) {}

WatchAgent::WatchAgent(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options))
{
    if (!m_options.analyse)
        m_options.analyse = &WatchAgent::readAndDetect;
    if (!m_options.mover)
        m_options.mover = renameInPlace;
    m_pool.setMaxThreadCount(2);
    connect(&Defaults::shared(), &Defaults::changed, this, [this](const QString &key) {
        if (key == watchedFolderPathsKey)
            emit watchedFoldersChanged();
    });
}

WatchAgent::~WatchAgent()
{
    m_watcher.reset();
    m_pool.waitForDone();
}

ScenarioMatch WatchAgent::readAndDetect(const QString &path, const QString &model)
{
    const Extraction extraction = Extractor::extract(path, false);
    return ScenarioDetector::detect(path, extraction.text, extraction.source, model);
}

// --- Watched folders ------------------------------------------------------------------------

QStringList WatchAgent::defaultFolderPaths()
{
    const QString home = QDir::cleanPath(QDir::homePath());
    QStringList paths;
    for (const auto location : {QStandardPaths::DownloadLocation, QStandardPaths::DesktopLocation}) {
        const QString path = QDir::cleanPath(QStandardPaths::writableLocation(location));
        // Without a configured folder the standard paths answer the home folder, which is
        // far too much to watch.
        if (!path.isEmpty() && path != home && !paths.contains(path))
            paths << path;
    }
    return paths;
}

std::optional<QStringList> WatchAgent::storedFolderPaths()
{
    const QVariant value = Defaults::shared().value(watchedFolderPathsKey);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList paths;
    for (const QVariant &entry : value.toList()) {
        if (entry.typeId() != QMetaType::QString)
            return std::nullopt; // not a list of texts: as if absent
        paths << entry.toString();
    }
    return paths;
}

void WatchAgent::storeFolderPaths(const QStringList &paths)
{
    Defaults::shared().setValue(watchedFolderPathsKey, paths);
}

QStringList WatchAgent::watchedFolders() const
{
    QStringList folders;
    for (const QString &path : storedFolderPaths().value_or(defaultFolderPaths())) {
        if (QFileInfo::exists(path))
            folders << path;
    }
    return folders;
}

void WatchAgent::addWatchedFolder(const QString &pathIn)
{
    const QString path = QDir::cleanPath(pathIn);
    QStringList paths = storedFolderPaths().value_or(defaultFolderPaths());
    for (const QString &listed : std::as_const(paths)) {
        if (sameText(listed, path))
            return;
    }
    paths << path;
    storeFolderPaths(paths);
    restartIfEnabled();
}

void WatchAgent::removeWatchedFolder(const QString &pathIn)
{
    const QString path = QDir::cleanPath(pathIn);
    QStringList paths = storedFolderPaths().value_or(defaultFolderPaths());
    paths.removeIf([&path](const QString &listed) { return sameText(listed, path); });
    storeFolderPaths(paths);
    restartIfEnabled();
}

void WatchAgent::restartIfEnabled()
{
    if (Defaults::shared().boolValue(agentEnabledKey, false))
        start();
}

// --- Running --------------------------------------------------------------------------------

void WatchAgent::start()
{
    m_watcher.reset();
    const QStringList folders = watchedFolders();
    if (!folders.isEmpty()) {
        m_watcher = std::make_unique<RecursiveWatcher>(folders, m_options.latencyMs);
        // Development trees are never proposed from: do not spend watches on them.
        m_watcher->setFolderFilter([](const QString &folder) {
            return FileFilter::devDirs().contains(nameOf(folder));
        });
        connect(m_watcher.get(), &RecursiveWatcher::changed, this, &WatchAgent::onChanges);
        connect(m_watcher.get(), &RecursiveWatcher::ready, this, &WatchAgent::watching);
        connect(m_watcher.get(), &RecursiveWatcher::watchLimitReached, this, [this](const QString &folder) {
            if (std::exchange(m_limitLogged, true))
                return;
            qWarning("watch agent: out of folder watches below %s; new files deeper down go unseen",
                     qUtf8Printable(folder));
        });
        m_watcher->start();
    }
    if (!std::exchange(m_running, true))
        emit runningChanged(true);
}

void WatchAgent::stop()
{
    m_watcher.reset();
    if (std::exchange(m_running, false))
        emit runningChanged(false);
}

bool WatchAgent::skippedByName(const QString &path)
{
    static const QSet<QString> partial{QStringLiteral("crdownload"), QStringLiteral("part"),
                                       QStringLiteral("download"), QStringLiteral("tmp"),
                                       QStringLiteral("partial")};
    const QString name = nameOf(path);
    const QString ext = Extractor::pathExtension(path);
    if (name.startsWith(u'.') || FileFilter::codeExt().contains(ext) ||
        FileFilter::buildFiles().contains(name.toLower()) || partial.contains(ext))
        return true;
    const QStringList components = path.split(u'/', Qt::SkipEmptyParts);
    for (const QString &component : components) {
        if (FileFilter::devDirs().contains(component))
            return true;
    }
    return false;
}

void WatchAgent::onChanges(const QList<RecursiveWatcher::Event> &events)
{
    using Change = RecursiveWatcher::Change;
    for (const RecursiveWatcher::Event &event : events) {
        if (event.isDir || (event.change != Change::Created && event.change != Change::MovedTo))
            continue;
        // A skipped path is not remembered: when a partial download is renamed to its
        // final name, that name arrives as an event of its own.
        if (m_seen.contains(composed(event.path)) || skippedByName(event.path))
            continue;
        onNewFile(event.path);
    }
}

void WatchAgent::onNewFile(const QString &path)
{
    QTimer::singleShot(m_options.settleMs, this, [this, path] {
        struct stat info;
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
            return; // gone again
        if (m_seen.contains(composed(path)))
            return; // another event for it got here first
        // Only regular files are read: a FIFO would block the reader, a link may lead
        // anywhere, a folder is not a document.
        if (!S_ISREG(info.st_mode))
            return;
        m_seen.insert(composed(path));
        process(path);
    });
}

void WatchAgent::process(const QString &path)
{
    const QString model = Defaults::shared().string(QStringLiteral("preferredModel"),
                                                    QStringLiteral("qwen2.5:7b"));
    QFuture<ScenarioMatch> detection = QtConcurrent::run(&m_pool, m_options.analyse, path, model);
    whenReady(detection, this, [this, path](const ScenarioMatch &match) { propose(path, match); });
}

void WatchAgent::propose(const QString &path, const ScenarioMatch &match)
{
    if (match.kind == ScenarioKind::unknown || !match.renameReady)
        return;
    if (match.base.isEmpty() || match.conf == ScenarioMatch::Conf::low)
        return;
    const QString newName =
        NamingTemplate::loadOrMigrate().render(match.base, match.datePrefix, extensionOf(path));
    const QString oldName = nameOf(path);
    // The file will be renamed to exactly this text: never offer one that would leave the
    // folder, hide the file or fail.
    if (!isUsableName(newName) || sameText(newName, oldName))
        return;
    for (const Item &item : std::as_const(m_pending)) {
        if (sameText(item.path, path))
            return;
    }
    QList<Item> items = m_pending;
    items.prepend(Item{QUuid::createUuid(), path, oldName, newName, match.recognized,
                       ScenarioKinds::rawValue(match.kind), ScenarioKinds::label(match.kind),
                       std::nullopt});
    setPending(items);
    notifyBadge();
}

bool WatchAgent::isUsableName(const QString &name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.startsWith(u'.') &&
           !name.contains(u'/') && !name.contains(u':') && !name.contains(QChar(0));
}

void WatchAgent::setPending(const QList<Item> &items)
{
    if (items == m_pending)
        return;
    m_pending = items;
    emit pendingChanged();
}

void WatchAgent::notifyBadge()
{
    if (m_hooks.badge)
        m_hooks.badge(int(m_pending.size()));
}

void WatchAgent::setError(const QUuid &id, const QString &text)
{
    for (Item &item : m_pending) {
        if (item.id == id) {
            item.lastError = text;
            emit itemChanged(id);
            return;
        }
    }
}

// --- Accepting and dismissing ---------------------------------------------------------------

void WatchAgent::accept(const Item &proposal)
{
    const Item item = proposal; // the caller may hand in an element of `pending` itself
    // Checked again here: the file is renamed to exactly this text.
    if (!isUsableName(item.newName)) {
        setError(item.id, L("名字不合法（不能含 / 或 :）"));
        return;
    }
    const QString folder = folderOf(item.path);
    if (!FileSystem::exists(item.path)) {
        dismiss(item); // the file went away: nothing to do, nothing to report
        return;
    }
    const QString name = FileOps::collisionFreeName(folder, item.newName, {});
    const QString destination = folder + u'/' + name;
    if (destination == item.path) {
        dismiss(item);
        return;
    }

    // The new name must not come back as a new arrival, whatever the watcher reports.
    const QString destinationKey = composed(destination);
    const bool destinationWasSeen = m_seen.contains(destinationKey);
    m_seen.insert(destinationKey);
    OwnChanges::note(item.path);
    OwnChanges::note(destination);
    QString renamed;
    try {
        renamed = m_options.mover(item.path, item.newName); // taken names are skipped there
    } catch (const FileOpsError &error) {
        if (!destinationWasSeen)
            m_seen.remove(destinationKey);
        setError(item.id, L("移动失败：%@", error.description()));
        Telemetry::track(Telemetry::Event::fileFiled(item.kind, false));
        return;
    }
    m_seen.insert(composed(renamed)); // a name taken in between gave the next free one
    recordRename(item.path, renamed);
    Telemetry::track(Telemetry::Event::fileFiled(item.kind, true));
    dismiss(item);
}

void WatchAgent::dismiss(const Item &item)
{
    const QUuid id = item.id; // `item` may be an element of the list changed here
    m_pending.removeIf([&id](const Item &listed) { return listed.id == id; });
    emit pendingChanged();
    notifyBadge();
}

// --- Undo -----------------------------------------------------------------------------------

void WatchAgent::recordRename(const QString &from, const QString &to)
{
    const QString name = L("盯梢改名");
    const QList<BrowserState::Pair> pairs{{from, to}};
    // Written down whether or not a window is open, so the rename is never lost.
    UndoRecorder::shared().record(name, OpKind::Rename, pairs, Recording::Full);
    BrowserState *window = m_hooks.activeWindow ? m_hooks.activeWindow() : nullptr;
    if (!window) {
        m_waitingSteps.append(WaitingStep{name, pairs});
        while (m_waitingSteps.size() > maxWaitingSteps)
            m_waitingSteps.removeFirst();
        return;
    }
    window->pushUndo(name, OpKind::Rename, pairs, Reversal::MoveBack, Recording::None);
    window->refreshFolders(BrowserState::foldersOf(pairs));
}

void WatchAgent::windowBecameActive(BrowserState &window)
{
    const QList<WaitingStep> steps = std::exchange(m_waitingSteps, {});
    for (const WaitingStep &step : steps)
        window.pushUndo(step.name, OpKind::Rename, step.pairs, Reversal::MoveBack, Recording::None);
}
