#pragma once

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
class BrowserState : public QObject
{
    Q_OBJECT

public:
    using Pair = UndoLog::Pair; // (from, to)
    using UndoAction = std::function<void(BrowserState &)>;

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
    const QList<UndoStep> &undoStack() const { return m_undoStack; }

    // --- Plain storage that views never watch ----------------------------------------------
    ThumbnailCache &thumbs() { return m_thumbs; }
    const QHash<QString, QIcon> &iconCache() const { return m_iconCache; }
    // Applications able to open a file (desktop-file ids), by lower-case extension.
    QHash<QString, QStringList> &appsCache() { return m_appsCache; }
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
    void pushUndo(const QString &name, OpKind kind, const QList<Pair> &pairs, UndoAction run,
                  Recording how = Recording::Full);
    // Undoes the newest step; nothing happens with an empty stack.
    void performUndo();
    // The reversal of moves: off the GUI thread, each `to` moves back to its `from`, newest
    // pair first, never over an existing name; failures are skipped; then softRefresh().
    static UndoAction moveBack(const QList<Pair> &pairs);

    // --- Start-up, layout and navigation ------------------------------------------------
    void bootstrap();
    void checkFDA();
    void recheckModel();
    void setLayout(PaneLayout layout);
    void setActivePane(int index);
    int indexOf(const PaneState *pane) const;
    void softRefresh();
    void goToPath(const QString &path);
    void open(const FileItem &item);
    void openSelection();
    QIcon icon(const QString &path, bool isDir);
    QStringList targets(const QString &path);

    // Pre-reads the scenarios of the active pane's folder after each of its listings.
    void preReadCurrentFolder();

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
    void undoStackChanged();

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
    QList<UndoStep> m_undoStack;

    ThumbnailCache m_thumbs;
    QHash<QString, QIcon> m_iconCache;
    QHash<QString, QStringList> m_appsCache;
    QHash<QString, ScenarioMatch> m_scenarioCache;
    QHash<QString, QFuture<ScenarioMatch>> m_scenarioInFlight;
    int m_preReadGen = 0;

    Derived m_derived;
    QList<QMetaObject::Connection> m_activePaneConnections;
};
