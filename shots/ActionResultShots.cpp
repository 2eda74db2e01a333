// States of the action pane's naming result, scenario card and multi-selection view, in
// the window on the fixture folder: the pane's model is set to each state once the
// selected file has loaded.
#include "BrowserState.h"
#include "Fixture.h"
#include "Localization.h"
#include "PaneState.h"
#include "Shots.h"
#include "action/ActionPane.h"
#include "action/ActionPaneModel.h"
#include "action/NamingResult.h"
#include "window/ContentView.h"

#include <QScrollArea>
#include <QVBoxLayout>

#include <functional>

namespace Shots {

namespace {

bool english()
{
    return Loc::shared().language() == u"en";
}

QString sample(const char *zh, const char *en)
{
    return QString::fromUtf8(english() ? en : zh);
}

// The window's content with one file (or several) selected; `arrange` then sets the
// pane's model to the state the picture shows.
class PaneShot : public QWidget
{
public:
    using Arrange = std::function<void(BrowserState &, ActionPaneModel &)>;

    PaneShot(const QString &folder, QStringList select, Arrange arrange)
        : m_select(std::move(select)), m_arrange(std::move(arrange))
    {
        m_state.setFavorites(Fixture::favorites());
        m_state.activePane()->go(folder, false);
        auto *column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        m_view = new ContentView(m_state, this);
        column->addWidget(m_view);
    }
    ~PaneShot() override { delete m_view; }

    bool ready()
    {
        PaneState *pane = m_state.activePane();
        if (pane->items().isEmpty())
            return false;
        auto *actionPane = m_view->findChild<ActionPane *>();
        if (!actionPane)
            return false;
        ActionPaneModel &model = actionPane->model();
        if (m_step == 0) {
            QSet<QString> selection;
            for (const QString &name : std::as_const(m_select))
                selection << pane->current() + u'/' + name;
            pane->setSelection(selection);
            m_step = 1;
            return false;
        }
        if (m_step == 1) {
            if (m_select.size() == 1 && (model.thinking() || !model.match()))
                return false;
            if (m_arrange)
                m_arrange(m_state, model);
            m_step = 2;
            return false;
        }
        // A few rounds for the coalesced updates; then the naming result, when shown, is
        // scrolled into view (it stands below the hero).
        if (++m_step == 4) {
            auto *result = actionPane->findChild<NamingResult *>();
            auto *scroll = actionPane->findChild<QScrollArea *>(QStringLiteral("singleScroll"));
            if (result && scroll && result->isVisible())
                scroll->ensureWidgetVisible(result, 0, 24);
        }
        return m_step > 5;
    }

private:
    BrowserState m_state;
    ContentView *m_view = nullptr;
    QStringList m_select;
    Arrange m_arrange;
    int m_step = 0;
};

Shot paneShot(const QString &state, const QStringList &select, PaneShot::Arrange arrange = {})
{
    return {QStringLiteral("action"), state,
            [select, arrange](const Context &context) -> QWidget * {
                return new PaneShot(context.fixture, select, arrange);
            },
            [](QWidget *widget) { return static_cast<PaneShot *>(widget)->ready(); }};
}

const QString invoiceFile = QStringLiteral("Invoice 2024-03-01.pdf");

ScenarioMatch invoiceMatch()
{
    ScenarioMatch match;
    match.kind = ScenarioKind::invoice;
    match.conf = ScenarioMatch::Conf::high;
    match.recognized = sample("Example Trading Ltd. 的发票，金额 128.00 EUR", "An invoice from Example Trading Ltd., 128.00 EUR");
    match.base = QStringLiteral("Example_Trading_Invoice");
    match.datePrefix = QStringLiteral("2024-03-01");
    match.folderHint = sample("发票", "Invoices");
    match.renameReady = true;
    match.filingReady = true;
    match.note = sample("开票日期来自正文", "The date was read from the text");
    return match;
}

Proposal proposal(const BrowserState &state, bool changed)
{
    Proposal p;
    p.path = state.previewURL();
    p.oldName = invoiceFile;
    p.newName = QStringLiteral("2024-03-01_Example_Trading_Ltd_Invoice_No_2024-0301.pdf");
    p.changed = changed;
    p.reason = changed ? QString() : sample("内容是乱码，保留原名", "The content is garbled; the name stays");
    return p;
}

PaneShot::Arrange withProposal(bool changed, bool ready)
{
    return [changed, ready](BrowserState &state, ActionPaneModel &model) {
        state.setOllamaUp(ready);
        model.setProposal(proposal(state, changed));
        model.setProposedURL(state.previewURL());
    };
}

PaneShot::Arrange withMatch(std::function<void(ScenarioMatch &)> change,
                            std::function<void(ActionPaneModel &)> then = {})
{
    return [change, then](BrowserState &, ActionPaneModel &model) {
        ScenarioMatch match = invoiceMatch();
        if (change)
            change(match);
        model.setMatch(match);
        if (then)
            then(model);
    };
}

} // namespace

QList<Shot> actionResultShots()
{
    return {
        paneShot(QStringLiteral("naming-reading"), {invoiceFile},
                 [](BrowserState &, ActionPaneModel &model) { model.setNaming(true); }),
        paneShot(QStringLiteral("proposal-ready"), {invoiceFile}, withProposal(true, true)),
        paneShot(QStringLiteral("proposal-basic"), {invoiceFile}, withProposal(true, false)),
        paneShot(QStringLiteral("proposal-kept"), {invoiceFile}, withProposal(false, false)),
        paneShot(QStringLiteral("card-reading"), {invoiceFile},
                 [](BrowserState &, ActionPaneModel &model) { model.setThinking(true); }),
        paneShot(QStringLiteral("card-offer"), {invoiceFile}, withMatch({})),
        paneShot(QStringLiteral("card-editor-warning"), {invoiceFile},
                 withMatch({}, [](ActionPaneModel &model) {
                     model.setSuggestedEdit(QStringLiteral("2024-03-01_Example_Trading_Invoice.pdf"));
                     model.setEditingSuggested(true);
                     model.setSuggestedEditEmptyWarning(true);
                 })),
        paneShot(QStringLiteral("card-sensitive"), {invoiceFile}, withMatch([](ScenarioMatch &match) {
                     match.kind = ScenarioKind::idDoc;
                     match.sensitive = true;
                     match.conf = ScenarioMatch::Conf::medium;
                     match.recognized = sample("身份证件（已识别姓名与号码）", "An identity document (name and number read)");
                     match.base = QStringLiteral("ID_card");
                     match.folderHint = sample("证件", "ID documents");
                     match.note.clear();
                 })),
        paneShot(QStringLiteral("card-already-right"), {invoiceFile}, withMatch([](ScenarioMatch &match) {
                     match.base = QStringLiteral("Invoice 2024-03-01");
                     match.datePrefix.clear();
                     match.conf = ScenarioMatch::Conf::low;
                 })),
        paneShot(QStringLiteral("card-filing-only"), {invoiceFile}, withMatch([](ScenarioMatch &match) {
                     match.renameReady = false;
                     match.note.clear();
                 })),
        paneShot(QStringLiteral("multi"), {invoiceFile, QStringLiteral("notes.txt"), QStringLiteral("photo.png"),
                                           QStringLiteral("a & b")}),
    };
}

} // namespace Shots
