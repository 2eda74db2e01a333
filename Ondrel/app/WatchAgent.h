#pragma once

#include "BrowserState.h"
#include "RecursiveWatcher.h"
#include "ScenarioMatch.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

// The background agent: it watches a few folders (by default the user's Downloads and
// Desktop) for files that arrive, reads each new file on this machine, and when the
// scenario detection recognises it well enough keeps a proposal to rename it. Nothing is
// changed on disk until the user accepts a proposal; accepting renames the file inside
// its own folder, never over another file, and the rename can be undone.
//
// Lives on the GUI thread. New files go through cheap name and path filters, wait a short
// settle delay, and only regular files are then read and detected on the agent's own two
// threads, so a burst of downloads never starves the windows' readers. Path comparisons
// treat the composed and decomposed forms of a text as equal.
class WatchAgent : public QObject
{
    Q_OBJECT

public:
    // One pending proposal. Two items are equal when their paths and proposed names are.
    struct Item
    {
        QUuid id;
        QString path;       // the file as found
        QString oldName;    // its name when the proposal was made
        QString newName;    // the proposed name, extension included
        QString recognized; // what the detector recognised in the file
        QString kind;       // raw value of the document kind
        QString kindLabel;  // its display label
        std::optional<QString> lastError; // the text of the last failed accept

        bool operator==(const Item &other) const;
    };

    // Reads the file and decides what it is (extraction, then detection); blocking, called
    // on one of the agent's threads.
    using Analyse = std::function<ScenarioMatch(const QString &path, const QString &model)>;
    // Renames the file inside its folder to `name`, or to the next free numbered name when
    // that is taken; returns the final path. Throws FileOpsError.
    using Mover = std::function<QString(const QString &path, const QString &name)>;

    struct Options
    {
        int latencyMs = 1000; // events are gathered this long before they are looked at
        int settleMs = 2000;  // a new file is left alone this long before it is read
        Analyse analyse;      // empty: Extractor::extract, then ScenarioDetector::detect
        Mover mover;          // empty: FileOps::moveTo in the file's folder, next free name
    };

    // What the agent needs of the application. Either may be empty.
    struct Hooks
    {
        std::function<BrowserState *()> activeWindow; // the window shown last, or null
        std::function<void(int count)> badge;         // the tray item's badge, while it exists
    };

    // The process-wide agent, made on first use and never freed.
    static WatchAgent &shared();

    explicit WatchAgent(QObject *parent = nullptr);
    explicit WatchAgent(Options options, QObject *parent = nullptr);
    ~WatchAgent() override;

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }

    // Newest first.
    const QList<Item> &pending() const { return m_pending; }

    // The watched folders that exist: the stored "watchedFolderPaths" in order, or the
    // default folders when the key is absent (a stored empty list watches nothing).
    QStringList watchedFolders() const;
    // Appends the folder to the stored list (the defaults when none is stored) and restarts
    // a running agent; a folder already listed changes nothing.
    void addWatchedFolder(const QString &path);
    // Removes the folder from the stored list, storing the list even when it was not there,
    // and restarts the agent when "agentEnabled" is on.
    void removeWatchedFolder(const QString &path);
    // The XDG download and desktop folders, whether or not they exist; one that resolves to
    // the home folder itself is left out.
    static QStringList defaultFolderPaths();

    // Watches the folders (restarting when already running). Files seen before stay seen.
    void start();
    // Stops watching; proposals and files already on their way are kept.
    void stop();
    bool isRunning() const { return m_running; }

    // Renames the proposal's file, records the step and drops the proposal; a failure keeps
    // it with its error text. Synchronous: a rename within one folder.
    void accept(const Item &item);
    // Drops the proposal with the item's id (and notifies, even when there was none).
    void dismiss(const Item &item);

    // Hands the undo steps of renames accepted while no window existed to `window`, oldest
    // first, without recording them again. The application calls it when a window becomes
    // the active one.
    void windowBecameActive(BrowserState &window);
    int waitingUndoSteps() const { return int(m_waitingSteps.size()); }

    // The analysis the agent runs by default: the naming excerpt (never downloading a
    // cloud placeholder), then the scenario detection. Blocking.
    static ScenarioMatch readAndDetect(const QString &path, const QString &model);

    // A new file is left alone by name or place: hidden, source code, a build file, inside a
    // development folder, or a partial download.
    static bool skippedByName(const QString &path);
    // Whether a proposed name may be used: not empty, not "." or "..", no "/", ":" or NUL,
    // not hidden.
    static bool isUsableName(const QString &name);

    // How many steps wait for a window at most; older ones are dropped.
    static constexpr int maxWaitingSteps = BrowserState::maxUndoSteps;

signals:
    // The list of proposals changed (by the items' equality), or a proposal was dismissed.
    void pendingChanged();
    // A proposal's error text changed in place.
    void itemChanged(const QUuid &id);
    void runningChanged(bool running);
    // The folders' watches are in place after a start: files arriving from now on are seen.
    void watching();
    // The stored list of watched folders changed (here or elsewhere).
    void watchedFoldersChanged();

private:
    struct WaitingStep
    {
        QString name;
        QList<BrowserState::Pair> pairs;
    };

    static std::optional<QStringList> storedFolderPaths();
    void storeFolderPaths(const QStringList &paths);
    void restartIfEnabled();
    void onChanges(const QList<RecursiveWatcher::Event> &events);
    void onNewFile(const QString &path);
    void process(const QString &path);
    void propose(const QString &path, const ScenarioMatch &match);
    void setPending(const QList<Item> &items);
    void notifyBadge();
    void setError(const QUuid &id, const QString &text);
    void recordRename(const QString &from, const QString &to);

    Options m_options;
    Hooks m_hooks;
    QList<Item> m_pending;
    QSet<QString> m_seen; // composed form
    std::unique_ptr<RecursiveWatcher> m_watcher;
    bool m_running = false;
    bool m_limitLogged = false;
    QList<WaitingStep> m_waitingSteps;
    QThreadPool m_pool; // last member: its threads finish before the rest goes
};
