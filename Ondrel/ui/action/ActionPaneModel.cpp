#include "ActionPaneModel.h"

#include "Applications.h"
#include "BrowserState.h"
#include "CoreError.h"
#include "Defaults.h"
#include "DisplayHelpers.h"
#include "FileReadings.h"
#include "Localization.h"
#include "Namer.h"
#include "NamingDecision.h"
#include "PaneState.h"
#include "Telemetry.h"
#include "WhenReady.h"

#include <QThreadPool>
#include <QtConcurrent>

namespace {

// Naming requests can wait minutes for an engine: they get threads of their own, so
// listings and lookups on the global pool never queue behind them.
QThreadPool &requestPool()
{
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(2);
        return p;
    }();
    return *pool;
}

// What a naming request gave: the answer, or why there is none.
struct NamingOutcome
{
    std::optional<Proposal> answer;
    QString error;
};

template <typename T>
bool assign(T &field, const T &value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

ActionPaneModel::ActionPaneModel(BrowserState &state, QObject *parent)
    : QObject(parent), m_state(state), m_appsLookup(&ActionPaneModel::lookUpApps),
      m_proposer(&ActionPaneModel::proposeFromReading)
{
    // The preview path is the active pane's single selection: its changes arrive through the
    // pane's own signals, so the model does not follow previewURLChanged as well.
    connect(&m_state, &BrowserState::activePaneChanged, this, &ActionPaneModel::bindPane);
    connect(&m_state, &BrowserState::panesChanged, this, &ActionPaneModel::bindPane);
    bindPane();
}

ActionPaneModel::~ActionPaneModel() = default;

// --- Fields --------------------------------------------------------------------------------

void ActionPaneModel::setApps(const QList<OpenWithApp> &apps)
{
    if (assign(m_apps, apps))
        emit appsChanged();
}

void ActionPaneModel::setMatch(const std::optional<ScenarioMatch> &match)
{
    if (assign(m_match, match))
        emit matchChanged();
}

void ActionPaneModel::setThinking(bool thinking)
{
    if (assign(m_thinking, thinking))
        emit thinkingChanged();
}

void ActionPaneModel::setNaming(bool naming)
{
    if (assign(m_naming, naming))
        emit namingChanged();
}

void ActionPaneModel::setProposal(const std::optional<Proposal> &proposal)
{
    if (assign(m_proposal, proposal))
        emit proposalChanged();
}

void ActionPaneModel::setProposedURL(const QString &path)
{
    if (assign(m_proposedURL, path))
        emit proposedURLChanged();
}

void ActionPaneModel::setOfferedRenameKind(const std::optional<QString> &kind)
{
    if (assign(m_offeredRenameKind, kind))
        emit offeredRenameKindChanged();
}

void ActionPaneModel::setOfferedRenameURL(const QString &path)
{
    if (assign(m_offeredRenameURL, path))
        emit offeredRenameURLChanged();
}

void ActionPaneModel::setEditingSuggested(bool editing)
{
    if (assign(m_editingSuggested, editing))
        emit editingSuggestedChanged();
}

void ActionPaneModel::setSuggestedEdit(const QString &text)
{
    if (assign(m_suggestedEdit, text))
        emit suggestedEditChanged();
}

void ActionPaneModel::setSuggestedEditEmptyWarning(bool warning)
{
    if (assign(m_suggestedEditEmptyWarning, warning))
        emit suggestedEditEmptyWarningChanged();
}

// --- The active pane's selection -------------------------------------------------------------

PaneState *ActionPaneModel::pane() const
{
    return m_state.activePaneIfAny();
}

int ActionPaneModel::selectionCount() const
{
    const PaneState *active = pane();
    return active ? int(active->selection().size()) : 0;
}

std::optional<FileItem> ActionPaneModel::item() const
{
    const PaneState *active = pane();
    if (!active || active->selection().size() != 1)
        return std::nullopt;
    const QString &path = *active->selection().cbegin();
    for (const FileItem &listed : active->items()) {
        if (listed.path == path)
            return listed;
    }
    return std::nullopt;
}

QStringList ActionPaneModel::selectedURLs() const
{
    const PaneState *active = pane();
    return active ? QStringList(active->selection().cbegin(), active->selection().cend()) : QStringList();
}

qint64 ActionPaneModel::selectedTotal() const
{
    const PaneState *active = pane();
    qint64 total = 0;
    if (active) {
        for (const FileItem &selected : active->selectedItems())
            total += selected.size;
    }
    return total;
}

QStringList ActionPaneModel::selectedFileURLs() const
{
    const PaneState *active = pane();
    return active ? active->selectedFileURLs() : QStringList();
}

// --- Following the active pane -----------------------------------------------------------------

void ActionPaneModel::bindPane()
{
    PaneState *active = pane();
    if (active == m_pane && m_paneLink)
        return; // panes came or went around the same active pane: nothing it shows changed
    delete m_paneLink;
    m_paneLink = new QObject(this);
    m_pane = active;
    if (active) {
        connect(active, &PaneState::selectionChanged, m_paneLink, [this] { paneChanged(); });
        connect(active, &PaneState::itemsChanged, m_paneLink, [this] { paneChanged(); });
    }
    paneChanged();
}

void ActionPaneModel::paneChanged()
{
    const QString path = m_state.previewURL();
    const LoadKey key{path, !path.isEmpty() && item().has_value()};
    if (m_loadKey != key) {
        m_loadKey = key;
        load();
    }
    emit selectionStateChanged();
}

void ActionPaneModel::load()
{
    const int generation = ++m_loadGen;
    emit loadGenChanged();
    const std::optional<FileItem> current = item();

    // An offer still noted for another item was passed over.
    if (!m_offeredRenameURL.isEmpty() && (!current || current->path != m_offeredRenameURL))
        Telemetry::track(Telemetry::Event::renameRejected(m_offeredRenameKind.value_or(QStringLiteral("unknown"))));

    setOfferedRenameKind(std::nullopt);
    setOfferedRenameURL({});
    setEditingSuggested(false);
    setSuggestedEditEmptyWarning(false);
    setApps({});
    setMatch(std::nullopt);
    setThinking(false);
    setNaming(false);
    setProposal(std::nullopt);
    setProposedURL({});

    if (!current || current->isDir)
        return;
    // The two lookups run side by side: the scenario (seconds for a scan) never waits for
    // the application list.
    const QString path = current->path;
    setThinking(true);
    whenReady(m_state.scenario(path), this, [this, generation](const ScenarioMatch &found) {
        if (generation != m_loadGen)
            return;
        setThinking(false);
        setMatch(found);
    });
    whenReady(QtConcurrent::run(m_appsLookup, path), this,
              [this, generation](const QList<OpenWithApp> &apps) {
                  if (generation == m_loadGen)
                      setApps(apps);
              });
}

// --- Actions -----------------------------------------------------------------------------------

void ActionPaneModel::selectFirst(const QString &path)
{
    PaneState *active = m_state.activePane();
    if (!active->selection().contains(path))
        active->setSelection({path});
}

void ActionPaneModel::requestName()
{
    const std::optional<FileItem> current = item();
    if (m_naming || !current || current->isDir)
        return;
    setNaming(true);
    setProposal(std::nullopt);
    setProposedURL({});
    const QString path = current->path;
    const QString model = preferredModel();
    // A proposer that throws ends the request too, with the reason in the status line.
    const auto propose = [proposer = m_proposer, path, model]() -> NamingOutcome {
        try {
            return {proposer(path, model), {}};
        } catch (const MarovelError &error) {
            return {std::nullopt, error.description()};
        } catch (const std::exception &error) {
            return {std::nullopt, QString::fromLocal8Bit(error.what())};
        } catch (...) {
            return {std::nullopt, {}};
        }
    };
    whenReady(QtConcurrent::run(&requestPool(), propose), this, [this, path](const NamingOutcome &outcome) {
        const std::optional<FileItem> shown = item();
        if (!shown || shown->path != path)
            return; // the selection moved on; its load() reset the fields
        setNaming(false);
        if (!outcome.answer) {
            const QString reason = outcome.error.isEmpty() ? L("意外错误") : outcome.error;
            qWarning("naming failed for %s: %s", qUtf8Printable(path), qUtf8Printable(reason));
            m_state.setStatus(L("无法读取文件“%@”：%@", shown->name, reason));
            return;
        }
        setProposal(outcome.answer);
        setProposedURL(path);
    });
}

void ActionPaneModel::enterAndOrganize()
{
    const std::optional<FileItem> current = item();
    if (!current || !current->isDir)
        return;
    m_state.scenarioCache().clear();
    PaneState *active = m_state.activePane();
    const QString folder = current->path;
    // Organising reads the pane's items: wait for the listing of the folder entered. The
    // wait belongs to the pane, not to this model, so it survives the action pane.
    QPointer<BrowserState> window(&m_state);
    QPointer<PaneState> entered(active);
    connect(
        active, &PaneState::listed, active,
        [window, entered, folder] {
            if (window && entered && entered->current() == folder && window->activePaneIfAny() == entered)
                window->organize();
        },
        Qt::SingleShotConnection);
    active->go(folder, true);
}

// --- Services ----------------------------------------------------------------------------------

void ActionPaneModel::setAppsLookup(AppsLookup lookup)
{
    m_appsLookup = std::move(lookup);
}

void ActionPaneModel::setProposer(Proposer proposer)
{
    m_proposer = std::move(proposer);
}

Proposal ActionPaneModel::proposeFromReading(const QString &path, const QString &model)
{
    const FileReading reading = FileReadings::shared().read(path, model);
    return Core::proposeRead(path, reading.extraction, reading.match, model);
}

QList<OpenWithApp> ActionPaneModel::lookUpApps(const QString &path)
{
    QList<OpenWithApp> apps;
    for (const QString &id : appsForURL(path))
        apps << OpenWithApp{id, Applications::displayName(id)};
    return apps;
}

QString ActionPaneModel::preferredModel()
{
    const QString model = Defaults::shared().value(Namer::preferredModelKey).toString();
    return model.isEmpty() ? Namer::defaultModel : model;
}
