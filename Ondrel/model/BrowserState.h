#pragma once

#include "Applications.h"
#include "DemoItem.h"
#include "FileIcons.h"
#include "FileItem.h"
#include "PaneLayout.h"
#include "ScenarioMatch.h"
#include "ThumbnailCache.h"
#include "UndoLog.h"
#include "UndoRecorder.h"
#include "UndoStep.h"
#include "ViewMode.h"
#include "Volumes.h"

#include <QFuture>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class PaneState;

// The model of one browser window: its panes and which of them is active, the layout and
// view mode, the window-wide flags the views bind to, the status line, the AI scan flags,
// the undo stack and the caches the window's operations share. Each window owns one.
//
// Lives on the GUI thread. Every observed field has a getter, a setter where views or
// operations write it, and a change signal emitted after a real change only; `panes` and
// `undoStack` signal every assignment. Derived values (activePane, filterText, previewURL,
// acceptCount, suggestedCount, tagsInUse, selectedSizeText, undoName) have their own
// signals, emitted when the value differs after one of their sources changed (the active
// pane switched, or its items, selection or filter text; the undo stack). The tag filter
// narrows each pane's displayed() items but none of the derived values.
//
// Paths are in FileItem::identityPath form. The panes are children of this object; a pane
// dropped from `panes` is deleted later, so views keep QPointers to panes.
//
// Operations never throw and never wait on the GUI thread: their outcome is in `status`.
// So is a failed background write of the browser state (Store) or the undo log, once per
// failing file until it is written again.
class BrowserState : public QObject
{
    Q_OBJECT

public:
    using Pair = UndoLog::Pair; // (from, to)

    static constexpr int maxUndoSteps = 60;

    explicit BrowserState(QObject *parent = nullptr);
    ~BrowserState() override;

    // --- Observed fields ---------------------------------------------------------------
    const QList<PaneState *> &panes() const { return m_panes; }
    int activeIndex() const { return m_activeIndex; }
    // The raw field; setActivePane() is the checked way that also saves the session.
    void setActiveIndex(int index);
    PaneLayout layout() const { return m_layout; }
    ViewMode viewMode() const { return m_viewMode; }
    void setViewMode(ViewMode mode);
    double iconSize() const { return m_iconSize; }
    void setIconSize(double size);
    bool showHidden() const { return m_showHidden; }
    void setShowHidden(bool show);
    // The item being renamed inline; empty when no inline rename is open.
    const QString &editingRename() const { return m_editingRename; }
    void setEditingRename(const QString &path);
    const QString &renameText() const { return m_renameText; }
    void setRenameText(const QString &text);
    const QSet<QString> &cutSet() const { return m_cutSet; }
    void setCutSet(const QSet<QString> &paths);
    const QStringList &favorites() const { return m_favorites; }
    void setFavorites(const QStringList &paths);
    const QList<Volume> &volumes() const { return m_volumes; }
    void setVolumes(const QList<Volume> &volumes);
    // The tag chosen in the sidebar; empty when none (a tag name is never empty).
    const QString &tagFilter() const { return m_tagFilter; }
    void setTagFilter(const QString &tag);
    bool showInspector() const { return m_showInspector; }
    void setShowInspector(bool show);
    const QString &status() const { return m_status; }
    void setStatus(const QString &text);
    bool hasFDA() const { return m_hasFDA; }
    void setHasFDA(bool granted);
    bool fdaBannerDismissed() const { return m_fdaBannerDismissed; }
    void setFdaBannerDismissed(bool dismissed);
    // The folder of the sample demo once one was made; empty before.
    const QString &sampleDemoDir() const { return m_sampleDemoDir; }
    void setSampleDemoDir(const QString &path);
    bool ollamaUp() const { return m_ollamaUp; }
    void setOllamaUp(bool up);
    bool scanning() const { return m_scanning; }
    void setScanning(bool scanning);
    bool applying() const { return m_applying; }
    void setApplying(bool applying);
    double progress() const { return m_progress; }
    void setProgress(double fraction);
    bool showGoTo() const { return m_showGoTo; }
    void setShowGoTo(bool show);
    bool showBatchRename() const { return m_showBatchRename; }
    void setShowBatchRename(bool show);
    bool showConnectServer() const { return m_showConnectServer; }
    void setShowConnectServer(bool show);
    bool showContentSearch() const { return m_showContentSearch; }
    void setShowContentSearch(bool show);
    // The window's onboarding sheet is shown.
    bool showOnboarding() const { return m_showOnboarding; }
    void setShowOnboarding(bool show);
    const QList<UndoStep> &undoStack() const { return m_undoStack; }

    // --- Plain storage that views never watch ----------------------------------------------
    ThumbnailCache &thumbs() { return m_thumbs; }
    FileIcons &icons() { return m_icons; }
    // Icons by MIME type name.
    const QHash<QString, QIcon> &iconCache() const { return m_icons.cache(); }
    // Applications able to open a file, by lower-case extension.
    QHash<QString, QList<Applications::App>> &appsCache() { return m_appsCache; }
    QHash<QString, ScenarioMatch> &scenarioCache() { return m_scenarioCache; }
    QHash<QString, QFuture<ScenarioMatch>> &scenarioInFlight() { return m_scenarioInFlight; }
    int &preReadGen() { return m_preReadGen; }

    // --- Derived values ------------------------------------------------------------------
    // The active pane; with no panes, one pane on the home folder is made first (neither
    // listed nor watched). An index past the end gives the last pane.
    PaneState *activePane();
    // The same without making a pane: none while there are no panes.
    PaneState *activePaneIfAny() const;
    QString filterText() const;
    void setFilterText(const QString &text);
    // The single selected path of the active pane, else empty.
    QString previewURL() const;
    int acceptCount() const;
    int suggestedCount() const;
    // The active pane's tag names: the colour tags in their fixed order, then the others
    // alphabetically.
    QStringList tagsInUse() const;
    QString selectedSizeText() const;
    QString undoName() const;

    // Writes the panes' folders, the layout and the active index as the saved session.
    void saveSession();

    // --- Undo ----------------------------------------------------------------------------
    // Keeps the step (newest 60) and records it as `how` says (see UndoRecorder).
    void pushUndo(const QString &name, OpKind kind, const QList<Pair> &pairs, Reversal reversal,
                  Recording how = Recording::Full);
    // Undoes the newest step as a file job (see UndoEngine): the status says what was undone
    // or which items stayed and why. A step that could not be undone in full stays on the
    // stack, newest, with the pairs still to reverse, so the user can try again. Nothing
    // happens with an empty stack or while an undo runs.
    void performUndo();
    bool undoing() const { return m_undoing; }

    // --- Start-up, layout and navigation ------------------------------------------------
    void bootstrap();
    void checkFDA();
    void recheckModel();
    void setLayout(PaneLayout layout);
    void setActivePane(int index);
    int indexOf(const PaneState *pane) const;
    // Re-lists every pane.
    void softRefresh();
    // Re-lists the panes showing one of `folders` (identity paths): what an operation that
    // touched only those folders refreshes, keeping other panes' suggestions and scroll.
    void refreshFolders(const QSet<QString> &folders);
    // The folders both sides of the pairs lie in.
    static QSet<QString> foldersOf(const QList<Pair> &pairs);
    void goToPath(const QString &path);
    void open(const FileItem &item);
    void openSelection();
    // The icon of a file by its name; see FileIcons. Never touches the disk.
    QIcon icon(const QString &path, bool isDir) { return m_icons.icon(path, isDir); }
    QStringList targets(const QString &path);
    // Shows the items in the desktop's file manager when one offers to; otherwise as
    // showInPane() does.
    void reveal(const QStringList &paths);
    // Enters the folder of the first item in the active pane and selects the given items
    // of that folder once it is listed (items elsewhere are left out).
    void showInPane(const QStringList &paths);

    // --- Naming: organising, scenarios, filing, applying proposals -------------------------
    // Pre-reads the scenarios of the active pane's folder after each of its listings when
    // "preReadEnabled" is set: one file at a time at low priority, cached files skipped,
    // abandoned when a newer pre-read starts.
    void preReadCurrentFolder();
    // Asks the naming decision about the active pane's eligible files (organizeURLs with
    // no download), three at a time, and writes the proposals into the pane's items.
    void organize();
    void organizeURLs(const QStringList &paths, bool allowDownload);
    // Stops the running organise: nothing new starts, finished proposals are written.
    void cancelOrganize();
    // The file's scenario, detected once per window (cache, and one shared detection per
    // path in flight) from the file's shared reading (FileReadings). Finishes on the GUI
    // thread; cancelled when this state is destroyed. A file that cannot be read finishes
    // as unknown, is not cached, and the status line says why.
    QFuture<ScenarioMatch> scenario(const QString &path);
    // The name of the first folder of the active pane that contains a keyword (case
    // ignored); none for no keywords.
    std::optional<QString> existingBucket(const QStringList &keywords) const;
    // Moves the file into `folder` (relative to the active pane's folder, made safe and
    // created when missing) under `finalName` (empty: its own name), never overwriting.
    void fileScenario(const QString &path, const QString &folder, const QString &finalName);
    void setAccept(const QString &path, bool on);
    void setSuggestion(const QString &path, const QString &name);
    void clearSuggestions();
    void applyBatchRule(const QString &find, const QString &replace, const QString &prefix,
                        bool addSeq);
    // Renames every ticked suggestion of the active pane, one file after another off the
    // GUI thread, as one undoable step.
    void applyRenames();
    // Stops the running apply before its next file.
    void cancelApply();
    // Rule-based proposals for up to twelve sample files, one after another.
    QFuture<QList<DemoItem>> demoProposals(const QStringList &paths);
    void applyDemo(const QList<DemoItem> &items);
    // Opens a new, empty sample folder in the active pane and marks it as the folder whose
    // empty state fills it with sample files and runs the demo. That happens once, soon
    // after, for the pane then in the folder (see sampleDemoDir).
    void startSampleDemo();
    // Whether `name` may replace `currentName` without leaving the folder or hiding the file.
    static bool acceptableName(const QString &name, const QString &currentName);

    // --- Clipboard, rename and new folder (BrowserClipboard.cpp) ------------------------
    // The clipboard holds file URLs as text/uri-list plus the "copy"/"cut" list other file
    // managers read. A paste moves when forced or when the pasted set is exactly the last
    // cut; it copies otherwise. Work on several items runs off the GUI thread.
    void copySel();
    void cutSel();
    void copyPath();
    void paste(bool forceMove = false);
    // Renames one item within its folder, never over an existing name; the outcome is in
    // `status`. commitRename() applies the inline editor's text the same way, quietly.
    void rename(const QString &path, const QString &name);
    void commitRename();
    // Makes an untitled folder and opens the inline editor on it.
    void newFolder();
    // Makes a new folder, moves the selection into it and enters it.
    void newFolderWithSelection();

    // --- Duplicate, trash, archives and tags (BrowserFiles.cpp) ---------------------------
    // Disk work runs off the GUI thread; the outcome is in `status`. A failure part-way
    // still selects and records what was done.
    void duplicateSel();
    void trash(const QStringList &paths);
    // Empties every trash folder. Callers confirm first (Trash::itemCount()).
    void emptyTrash();
    void compress(const QStringList &paths);
    void extract(const QString &archive);
    // Adds `tag` to each file lacking it and removes it from each having it. The future
    // finishes once the writes are done (at once when none could start).
    QFuture<void> toggleTag(const QString &tag, const QStringList &paths);

    // --- Dropping files into a folder (BrowserDrop.cpp) ------------------------------------
    // Moves the dropped items into `folder` off the GUI thread as one undoable step. Items
    // already in the folder, and a folder dropped into itself or below itself, are skipped
    // (paths compared as given and with links resolved); nothing left does nothing. The
    // outcome is in `status`; a failure part-way keeps the moves done as the step.
    void dropInto(const QString &folder, const QStringList &paths);

    // --- Applications, terminals and cloud folders (BrowserApps.cpp) ----------------------
    // The applications able to open the file, sorted by name, looked up on a worker (the
    // desktop database is read from disk). Cached by lower-case extension: a cached answer
    // is a finished future. Files without an extension are asked about every time.
    QFuture<QList<Applications::App>> appsFor(const QString &path);
    using AppsLookup = std::function<QList<Applications::App>(const QString &path)>;
    // Replaces the lookup appsFor() runs on its worker (tests); Applications::forFileNamed
    // by default.
    void setAppsLookup(AppsLookup lookup) { m_appsLookup = std::move(lookup); }
    void openWith(const QString &path, const QString &appId);
    // Opens a terminal in the folder; nothing happens when no terminal is installed.
    void openInTerminal(const QString &folder);
    // The online-account folders GIO reports, by display name; read anew each time.
    QList<Volume> cloudDrives() const;
    // Linux has no disk-access gate to open settings for: does nothing.
    void openFDASettings();

    // --- Servers, volumes and favourites (BrowserVolumes.cpp) -----------------------------
    // The address as it is remembered: trimmed, "smb://" put in front when it has no
    // scheme, any password removed (it is returned in `password` when given). None for an
    // address that is no URL with a host.
    static std::optional<QString> normalizeServerAddress(const QString &typed, QString *password = nullptr);
    // The address with any password left out; otherwise unchanged.
    static QString withoutPassword(const QString &address);
    // Remembers the address in "recentServers" (and drops any password an older entry
    // kept), then mounts it and enters the mount.
    void connectToServer(const QString &address, const QString &user = {}, const QString &password = {});
    // Panes on the volume go home first; then eject, else unmount, else `umount`.
    void ejectVolume(const QString &path);
    // Linux has no such folder: always empty.
    QString iCloudURL() const { return {}; }
    void addFavorite(const QString &path);
    void removeFavorite(const QString &path);

signals:
    void panesChanged();
    void activeIndexChanged();
    void layoutChanged();
    void viewModeChanged();
    void iconSizeChanged();
    void showHiddenChanged();
    void editingRenameChanged();
    void renameTextChanged();
    void cutSetChanged();
    void favoritesChanged();
    void volumesChanged();
    void tagFilterChanged();
    void showInspectorChanged();
    void statusChanged();
    void hasFDAChanged();
    void fdaBannerDismissedChanged();
    void sampleDemoDirChanged();
    void ollamaUpChanged();
    void scanningChanged();
    void applyingChanged();
    void progressChanged();
    void showGoToChanged();
    void showBatchRenameChanged();
    void showConnectServerChanged();
    void showContentSearchChanged();
    void showOnboardingChanged();
    void undoStackChanged();
    // A rename asked for with rename() or commitRename() has ended: `to` is the new path,
    // empty when the rename failed (the status says why).
    void renameFinished(const QString &from, const QString &to);

    void activePaneChanged();
    void filterTextChanged();
    void previewURLChanged();
    void acceptCountChanged();
    void suggestedCountChanged();
    void tagsInUseChanged();
    void selectedSizeTextChanged();
    void undoNameChanged();

private:
    // The last values of the derived fields, to signal real changes only.
    struct Derived
    {
        PaneState *activePane = nullptr;
        QString filterText;
        QString previewURL;
        int acceptCount = 0;
        int suggestedCount = 0;
        QStringList tagsInUse;
        QString selectedSizeText;
        QString undoName;
    };

    template <typename T>
    void assign(T &field, const T &value, void (BrowserState::*changed)())
    {
        if (field == value)
            return;
        field = value;
        emit(this->*changed)();
    }

    PaneState *makePane(const QString &folder);
    void setPanes(const QList<PaneState *> &panes);
    void setUndoStack(const QList<UndoStep> &stack);
    // Grows or shrinks the panes to `count` as a layout change does; returns the new panes
    // (not yet listed). Dropped panes stop watching and are deleted later.
    QList<PaneState *> fitPanes(int count);
    // The sources of the derived values, to refresh only what a change can affect.
    enum DerivedPart { FilterPart = 1, SelectionPart = 2, ItemsPart = 4, UndoPart = 8, AllParts = 15 };

    void refreshVolumes();
    void watchActivePane();
    void updateDerived(int parts = AllParts);
    void enter(const QString &folder);

    QList<PaneState *> m_panes;
    int m_activeIndex = 0;
    PaneLayout m_layout = PaneLayout::Single;
    ViewMode m_viewMode = ViewMode::List;
    double m_iconSize = 84;
    bool m_showHidden = false;
    QString m_editingRename;
    QString m_renameText;
    QSet<QString> m_cutSet;
    QStringList m_favorites;
    QList<Volume> m_volumes;
    QString m_tagFilter;
    bool m_showInspector = false;
    QString m_status;
    bool m_hasFDA = true;
    bool m_fdaBannerDismissed = false;
    QString m_sampleDemoDir;
    bool m_ollamaUp = false;
    bool m_scanning = false;
    bool m_applying = false;
    double m_progress = 0;
    bool m_showGoTo = false;
    bool m_showBatchRename = false;
    bool m_showConnectServer = false;
    bool m_showContentSearch = false;
    bool m_showOnboarding = false;
    QList<UndoStep> m_undoStack;
    bool m_undoing = false;

    ThumbnailCache m_thumbs;
    FileIcons m_icons;
    QHash<QString, QList<Applications::App>> m_appsCache;
    AppsLookup m_appsLookup = &Applications::forFileNamed;
    QHash<QString, ScenarioMatch> m_scenarioCache;
    QHash<QString, QFuture<ScenarioMatch>> m_scenarioInFlight;
    int m_preReadGen = 0;
    struct OrganizeRun;
    struct ApplyRun;
    std::shared_ptr<OrganizeRun> m_organizeRun;
    std::shared_ptr<ApplyRun> m_applyRun;
    QFuture<ScenarioMatch> scenarioAt(const QString &path, bool lowPriority);
    void preReadStep(const QStringList &paths, int index, int generation);
    void nextOrganizeBatch(const std::shared_ptr<OrganizeRun> &run);
    void finishOrganize(const std::shared_ptr<OrganizeRun> &run);
    void startApply(const QList<std::pair<QString, QString>> &renames, int invalid,
                    const QString &stepName, const QString &doneText);
    void nextApply(const std::shared_ptr<ApplyRun> &run);
    // Renames one item within its folder as a file job, never over an existing name;
    // `announce` says the new name in the status line.
    void renameInPlace(const QString &path, const QString &name, bool announce);
    void finishApply(const std::shared_ptr<ApplyRun> &run);
    // The pane in the sample folder, if any, takes it: the folder is forgotten and that
    // pane's demo fills it and runs. Otherwise the folder stays marked.
    void runSampleDemoStep();

    Derived m_derived;
    QList<QMetaObject::Connection> m_activePaneConnections;
};
