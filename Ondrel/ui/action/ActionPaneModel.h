#pragma once

#include "FileItem.h"
#include "Proposal.h"
#include "ScenarioMatch.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class BrowserState;
class PaneState;

// An application able to open the selected file: its desktop-file id and display name.
struct OpenWithApp
{
    QString id;
    QString name;

    bool operator==(const OpenWithApp &) const = default;
};

// The state of one action pane: what it loaded for the selected item (applications,
// scenario), the naming request and its answer, and the rename offer and editor of the
// scenario card. Made with the pane and deleted with it, so hiding the pane behind the
// inspector and showing it again starts from the initial values.
//
// It follows the window's active pane. Loading runs when the pair (selected path, whether
// that path is listed) changes: a path selected before the listing that holds it has
// landed (after a rename, paste or compress) loads once the item appears. The application
// lookup and the scenario run side by side off the GUI thread; their results come back
// through watchers owned by this object and are dropped when `loadGen` moved on meanwhile.
// `selectionStateChanged` is sent once per change of the active pane, its selection or its
// listing.
//
// GUI thread. Every field signals after a real change only.
class ActionPaneModel : public QObject
{
    Q_OBJECT

public:
    // Runs off the GUI thread: the applications for the file at `path`.
    using AppsLookup = std::function<QList<OpenWithApp>(const QString &path)>;
    // Runs off the GUI thread: the naming decision for the file at `path` with `model`.
    using Proposer = std::function<Proposal(const QString &path, const QString &model)>;

    // The two-column action grids: equal columns, at least this wide, this far apart.
    static constexpr int columnMinWidth = 10;
    static constexpr int columnSpacing = 10;
    // Applications offered in the open-with menu.
    static constexpr int openWithLimit = 8;

    explicit ActionPaneModel(BrowserState &state, QObject *parent = nullptr);
    ~ActionPaneModel() override;

    BrowserState &state() const { return m_state; }

    // --- Fields -------------------------------------------------------------------------
    // Applications able to open the selected file (open-with menu).
    const QList<OpenWithApp> &apps() const { return m_apps; }
    void setApps(const QList<OpenWithApp> &apps);
    // The scenario detected for the selected file.
    const std::optional<ScenarioMatch> &match() const { return m_match; }
    void setMatch(const std::optional<ScenarioMatch> &match);
    // True while the selected file's scenario is being looked up.
    bool thinking() const { return m_thinking; }
    void setThinking(bool thinking);
    // True while a naming request runs.
    bool naming() const { return m_naming; }
    void setNaming(bool naming);
    // The latest naming answer, and the file it belongs to (empty: none).
    const std::optional<Proposal> &proposal() const { return m_proposal; }
    void setProposal(const std::optional<Proposal> &proposal);
    const QString &proposedURL() const { return m_proposedURL; }
    void setProposedURL(const QString &path);
    // The generation of the latest load.
    int loadGen() const { return m_loadGen; }
    // A rename offer that was shown and not answered yet: its scenario kind (the raw value)
    // and its file (empty: none).
    const std::optional<QString> &offeredRenameKind() const { return m_offeredRenameKind; }
    void setOfferedRenameKind(const std::optional<QString> &kind);
    const QString &offeredRenameURL() const { return m_offeredRenameURL; }
    void setOfferedRenameURL(const QString &path);
    // The editor of the suggested name: open, its text, and its empty-name warning.
    bool editingSuggested() const { return m_editingSuggested; }
    void setEditingSuggested(bool editing);
    const QString &suggestedEdit() const { return m_suggestedEdit; }
    void setSuggestedEdit(const QString &text);
    bool suggestedEditEmptyWarning() const { return m_suggestedEditEmptyWarning; }
    void setSuggestedEditEmptyWarning(bool warning);

    // --- The active pane's selection -------------------------------------------------------
    // The active pane, or null while the window has none.
    PaneState *pane() const;
    // How many paths the active pane's selection holds.
    int selectionCount() const;
    // The selected item when exactly one path is selected and the pane's listing (not the
    // filtered display) holds it; none otherwise.
    std::optional<FileItem> item() const;
    // Every selected path, in the selection set's own order.
    QStringList selectedURLs() const;
    // The total size of the selected items that are listed.
    qint64 selectedTotal() const;
    // The selected listed items that are not folders.
    QStringList selectedFileURLs() const;

    // --- Actions -------------------------------------------------------------------------
    // Makes `path` the active pane's selection unless the selection holds it already.
    void selectFirst(const QString &path);
    // Asks the naming decision for a name for the selected file; the answer is kept only
    // when that file is still, or again, the selected item. Does nothing while a request
    // runs or when no file is selected.
    void requestName();
    // Forgets the window's scenarios, enters the selected folder with history, and once
    // that folder's listing has landed (and the pane still shows it) organises its files.
    void enterAndOrganize();

    // --- Services (tests replace them) ----------------------------------------------------
    void setAppsLookup(AppsLookup lookup);
    void setProposer(Proposer proposer);
    // The default proposer: the naming decision over the file's reading, shared with the
    // scenario detection (FileReadings), so a file is not read again for the same version.
    static Proposal proposeFromReading(const QString &path, const QString &model);
    // The default lookup: appsForURL() with each application's display name.
    static QList<OpenWithApp> lookUpApps(const QString &path);
    // "preferredModel" when set, else the naming engine's default model.
    static QString preferredModel();

signals:
    void appsChanged();
    void matchChanged();
    void thinkingChanged();
    void namingChanged();
    void proposalChanged();
    void proposedURLChanged();
    void loadGenChanged();
    void offeredRenameKindChanged();
    void offeredRenameURLChanged();
    void editingSuggestedChanged();
    void suggestedEditChanged();
    void suggestedEditEmptyWarningChanged();
    // The active pane, its selection or its listing changed: what the pane shows may
    // differ (another view, another item, the same item with new facts).
    void selectionStateChanged();

private:
    struct LoadKey
    {
        QString path;
        bool listed = false;
        bool operator==(const LoadKey &) const = default;
    };

    void bindPane();
    void paneChanged();
    void load();

    BrowserState &m_state;
    QPointer<PaneState> m_pane;
    QObject *m_paneLink = nullptr; // context of the active pane's connections
    std::optional<LoadKey> m_loadKey;
    AppsLookup m_appsLookup;
    Proposer m_proposer;

    QList<OpenWithApp> m_apps;
    std::optional<ScenarioMatch> m_match;
    bool m_thinking = false;
    bool m_naming = false;
    std::optional<Proposal> m_proposal;
    QString m_proposedURL;
    int m_loadGen = 0;
    std::optional<QString> m_offeredRenameKind;
    QString m_offeredRenameURL;
    bool m_editingSuggested = false;
    QString m_suggestedEdit;
    bool m_suggestedEditEmptyWarning = false;
};
