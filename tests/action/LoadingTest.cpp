// What the action pane loads for the selection, and in which order: applications, then the
// scenario, each dropped when the selection moved on; folders, unlisted paths and several
// items load nothing; unanswered rename offers are reported once.
#include "ActionTestSupport.h"
#include "CoreError.h"
#include "FileReadings.h"
#include "Localization.h"
#include "TestSupport.h"
#include "window/ContentView.h"

#include <QFile>
#include <QSignalSpy>

#include <functional>
#include <stdexcept>

#include <gtest/gtest.h>

using namespace ActionTest;

namespace {

QStringList idsOf(const QList<OpenWithApp> &apps)
{
    QStringList ids;
    for (const OpenWithApp &app : apps)
        ids << app.id;
    return ids;
}

class Loading : public testing::Test
{
protected:
    void SetUp() override
    {
        installDesktopEntries();
        folder = makeTree("loading", {"photo.png", "notes.txt", "other.txt", "sub/"});
        photo = folder + "/photo.png";
        notes = folder + "/notes.txt";
        other = folder + "/other.txt";
        sub = folder + "/sub";
        enter(state, folder);
    }

    BrowserState state;
    QString folder, photo, notes, other, sub;
};

} // namespace

namespace {

// Replaces the shared file reader for one test: counts the reads per path and answers a
// recognised invoice, or throws what `failure` throws while it is set. Restores the real
// reader and forgets every reading at the end.
class ReaderGuard
{
public:
    ReaderGuard()
    {
        FileReadings::shared().clear();
        FileReadings::shared().setReader([shared = m_shared](const QString &path, const QString &) {
            std::function<void()> failure;
            {
                QMutexLocker locker(&shared->lock);
                ++shared->reads[path];
                failure = shared->failure;
            }
            if (failure)
                failure();
            ScenarioMatch match = matchOf(ScenarioKind::invoice, "Invoice_5531");
            match.renameReady = true;
            match.recognized = "invoice";
            return FileReading{Extraction{"Invoice number 5531, total 310.00", ContentSource::text}, match};
        });
    }
    ~ReaderGuard()
    {
        FileReadings::shared().setReader({});
        FileReadings::shared().clear();
    }
    int reads(const QString &path) const
    {
        QMutexLocker locker(&m_shared->lock);
        return m_shared->reads.value(path);
    }
    void setFailure(std::function<void()> failure)
    {
        QMutexLocker locker(&m_shared->lock);
        m_shared->failure = std::move(failure);
    }

private:
    struct Shared
    {
        QMutex lock;
        QHash<QString, int> reads;
        std::function<void()> failure;
    };
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};

// Asks for a name and waits for the answer.
void nameSelected(ActionPaneModel &model)
{
    model.requestName();
    ASSERT_TRUE(waitFor([&] { return !model.naming() && model.proposal().has_value(); }));
}

} // namespace

TEST_F(Loading, ALateResultForTheFormerFileNeverShows)
{
    ActionPaneModel model(state);
    CountingLookup apps;
    model.setAppsLookup(apps.lookup());

    // The photo's application list comes only after the text file's whole load.
    std::shared_ptr<Gate> photoApps = apps.gate(photo);
    select(state, {photo});
    ASSERT_TRUE(waitFor([&] { return apps.asked().contains(photo); }));
    select(state, {notes});
    ASSERT_TRUE(waitFor([&] { return model.match().has_value() && !model.apps().isEmpty(); }));
    EXPECT_EQ(model.match()->kind, state.scenarioCache().value(notes).kind);
    EXPECT_TRUE(idsOf(model.apps()).contains("editor.desktop"));
    const ScenarioMatch notesMatch = *model.match();
    photoApps->open();
    QTest::qWait(100);
    EXPECT_FALSE(idsOf(model.apps()).contains("viewer.desktop"));
    EXPECT_EQ(model.match(), notesMatch);

    // The photo's scenario arrives after the text file's.
    ASSERT_TRUE(waitFor([&] { return !state.scenarioInFlight().contains(photo); }));
    state.scenarioCache().remove(photo);
    HeldScenario photoScenario(state, photo);
    select(state, {photo});
    ASSERT_TRUE(waitFor([&] { return model.thinking() && !model.apps().isEmpty(); }));
    // The photo's own applications (the machine may add its own image viewers).
    EXPECT_TRUE(idsOf(model.apps()).contains("viewer.desktop"));
    EXPECT_FALSE(idsOf(model.apps()).contains("editor.desktop"));
    select(state, {other});
    ASSERT_TRUE(waitFor([&] { return model.match().has_value() && !model.apps().isEmpty(); }));
    const ScenarioMatch otherMatch = *model.match();
    photoScenario.finish(matchOf(ScenarioKind::screenshot, "late"));
    QTest::qWait(100);
    EXPECT_EQ(model.match(), otherMatch);
    EXPECT_FALSE(model.thinking());
    EXPECT_TRUE(idsOf(model.apps()).contains("editor.desktop"));
}

// The scenario is looked up at once, beside the applications: a slow application lookup
// never holds back the card.
TEST_F(Loading, AFileThinksAtOnceAndItsScenarioNeverWaitsForApplications)
{
    ActionPaneModel model(state);
    CountingLookup apps;
    model.setAppsLookup(apps.lookup());
    std::shared_ptr<Gate> notesApps = apps.gate(notes);
    QStringList order;
    QObject::connect(&model, &ActionPaneModel::appsChanged, [&] { order << "apps"; });
    QObject::connect(&model, &ActionPaneModel::thinkingChanged,
                     [&] { order << (model.thinking() ? "thinking" : "done"); });
    QObject::connect(&model, &ActionPaneModel::matchChanged, [&] { order << "match"; });
    select(state, {notes});
    EXPECT_TRUE(model.thinking());
    const bool matched = waitFor([&] { return model.match().has_value(); });
    notesApps->open();
    ASSERT_TRUE(matched) << "the scenario waited for the application lookup";
    EXPECT_EQ(order, (QStringList{"thinking", "done", "match"}));
    ASSERT_TRUE(waitFor([&] { return !model.apps().isEmpty(); }));
    EXPECT_TRUE(idsOf(model.apps()).contains("editor.desktop"));
    EXPECT_FALSE(model.thinking());
}

// One selectionStateChanged per change of what the pane may show, whatever signals the
// window sends for it.
TEST_F(Loading, EachSelectionChangeSignalsOnce)
{
    ActionPaneModel model(state);
    QSignalSpy changed(&model, &ActionPaneModel::selectionStateChanged);
    const struct
    {
        const char *name;
        QStringList selection;
    } steps[] = {
        {"one file", {notes}},
        {"another file", {other}},
        {"a folder", {sub}},
        {"two items", {notes, other}},
        {"three items", {notes, other, photo}},
        {"one of them", {photo}},
        {"nothing", {}},
    };
    for (const auto &step : steps) {
        changed.clear();
        select(state, step.selection);
        EXPECT_EQ(changed.count(), 1) << step.name;
    }

    // Another pane becomes the active one, and back.
    state.setLayout(PaneLayout::Dual);
    changed.clear();
    state.setActivePane(1);
    EXPECT_EQ(changed.count(), 1) << "another active pane";
    changed.clear();
    state.setActivePane(0);
    EXPECT_EQ(changed.count(), 1) << "the first pane again";
}

// Naming the file after its card takes the card's reading; a file changed since (in size
// or only in time) is read again, once.
TEST_F(Loading, NamingAfterTheCardReadsTheFileOncePerVersion)
{
    ReaderGuard reader;
    ActionPaneModel model(state);
    select(state, {notes});
    ASSERT_TRUE(waitFor([&] { return model.match().has_value(); }));
    ASSERT_EQ(reader.reads(notes), 1);
    nameSelected(model);
    EXPECT_EQ(reader.reads(notes), 1) << "the name read the file again";
    EXPECT_EQ(model.proposal()->newName, "Invoice_5531.txt");

    QFile file(notes);
    const struct
    {
        const char *name;
        std::function<void()> change;
        int reads;
    } cases[] = {
        {"unchanged", [] {}, 1},
        {"grown", [&] { TestSupport::writeFile(notes, "Invoice number 5531, total 310.00 and more"); }, 2},
        {"same size, new time",
         [&] {
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             ASSERT_TRUE(file.setFileTime(file.fileTime(QFileDevice::FileModificationTime).addSecs(-60),
                                          QFileDevice::FileModificationTime));
             file.close();
         },
         3},
        {"unchanged again", [] {}, 3},
    };
    for (const auto &c : cases) {
        c.change();
        nameSelected(model);
        EXPECT_EQ(reader.reads(notes), c.reads) << c.name;
    }
}

// A reader that throws ends the lookup: no "reading…" left, nothing kept, the reason in the
// status line; the next selection of the file tries again.
TEST_F(Loading, AFailedReadEndsReadingAndSaysWhy)
{
    ReaderGuard reader;
    const struct
    {
        const char *name;
        std::function<void()> failure;
        QString reason;
    } cases[] = {
        {"standard exception", [] { throw std::runtime_error("disk on fire"); }, "disk on fire"},
        {"core error", [] { throw CoreError(L("名字无效")); }, L("名字无效")},
        {"anything else", [] { throw 42; }, L("意外错误")},
    };
    for (const auto &c : cases) {
        ActionPaneModel model(state);
        state.setStatus({});
        reader.setFailure(c.failure);
        select(state, {notes});
        EXPECT_TRUE(waitFor([&] { return !model.thinking(); })) << c.name << ": still reading";
        EXPECT_FALSE(state.scenarioInFlight().contains(notes)) << c.name;
        EXPECT_FALSE(state.scenarioCache().contains(notes)) << c.name;
        EXPECT_EQ(state.status(), L("无法读取文件“%@”：%@", "notes.txt", c.reason)) << c.name;
        const bool recognised = model.match() && model.match()->kind != ScenarioKind::unknown;
        EXPECT_FALSE(recognised) << c.name;

        // The name's own read fails the same way, and ends too.
        state.setStatus({});
        model.requestName();
        EXPECT_TRUE(waitFor([&] { return !model.naming(); })) << c.name << ": still naming";
        EXPECT_FALSE(model.proposal().has_value()) << c.name;
        EXPECT_EQ(state.status(), L("无法读取文件“%@”：%@", "notes.txt", c.reason)) << c.name;

        // Once the file reads, selecting it again shows its card.
        reader.setFailure({});
        select(state, {});
        select(state, {notes});
        EXPECT_TRUE(waitFor([&] { return model.match() && model.match()->kind == ScenarioKind::invoice; }))
            << c.name;
        select(state, {});
        state.scenarioCache().clear();
        FileReadings::shared().clear();
    }
}

TEST_F(Loading, FoldersUnlistedPathsAndSeveralItemsLookNothingUp)
{
    ActionPaneModel model(state);
    CountingLookup apps;
    model.setAppsLookup(apps.lookup());

    select(state, {sub});
    EXPECT_TRUE(model.item().has_value());
    select(state, {folder + "/not-listed.txt"});
    EXPECT_FALSE(model.item().has_value());
    QTest::qWait(100);
    EXPECT_TRUE(apps.asked().isEmpty());
    EXPECT_TRUE(state.scenarioInFlight().isEmpty() && state.scenarioCache().isEmpty());
    EXPECT_FALSE(model.thinking());
    EXPECT_TRUE(model.apps().isEmpty());

    // Two items, then three: the multi view changes, nothing is loaded again.
    select(state, {notes, other});
    const int generation = model.loadGen();
    select(state, {notes, other, photo});
    select(state, {other, photo});
    EXPECT_EQ(model.loadGen(), generation);
    EXPECT_TRUE(apps.asked().isEmpty());
}

TEST_F(Loading, ReloadingResetsTheFieldsButKeepsTheEditorText)
{
    ActionPaneModel model(state);
    select(state, {notes});
    ASSERT_TRUE(waitFor([&] { return model.match().has_value(); }));
    model.setEditingSuggested(true);
    model.setSuggestedEdit("draft name.txt");
    model.setSuggestedEditEmptyWarning(true);
    model.setProposal(Proposal{notes, "notes.txt", "better.txt", "high", {}, true});
    model.setProposedURL(notes);

    select(state, {other});
    EXPECT_FALSE(model.editingSuggested());
    EXPECT_FALSE(model.suggestedEditEmptyWarning());
    EXPECT_EQ(model.suggestedEdit(), "draft name.txt");
    EXPECT_FALSE(model.proposal().has_value());
    EXPECT_TRUE(model.proposedURL().isEmpty());
    EXPECT_FALSE(model.match().has_value());
    EXPECT_TRUE(model.apps().isEmpty());
}

TEST_F(Loading, APathSelectedBeforeItsListingLoadsOnceListed)
{
    ActionPaneModel model(state);
    select(state, {notes});
    ASSERT_TRUE(waitFor([&] { return model.match().has_value(); }));

    // The rename selects the new name before the re-listing holds it.
    state.rename(notes, "renamed.txt");
    const QString renamed = folder + "/renamed.txt";
    ASSERT_TRUE(waitFor([&] { return model.item() && model.item()->path == renamed; }));
    ASSERT_TRUE(waitFor([&] { return model.match().has_value() && !model.apps().isEmpty(); }));
    EXPECT_TRUE(idsOf(model.apps()).contains("editor.desktop"));
    EXPECT_TRUE(state.scenarioCache().contains(renamed));
}

// Rename offers shown and passed over: one event per offer, with its kind.
TEST_F(Loading, AnOfferLeftForAnotherItemIsReportedOnce)
{
    TelemetrySink telemetry;
    struct Case
    {
        const char *name;
        std::optional<QString> kind;
        QStringList next; // "notes", "other", "photo"
        QStringList expected;
    };
    const Case cases[] = {
        {"another file", QStringLiteral("invoice"), {"other"}, {"invoice"}},
        {"kind not noted", std::nullopt, {"other"}, {"unknown"}},
        {"the file and another", QStringLiteral("paper"), {"notes", "other"}, {"paper"}},
        {"nothing selected", QStringLiteral("contract"), {}, {"contract"}},
    };
    const QHash<QString, QString> paths{{"notes", notes}, {"other", other}, {"photo", photo}};
    int sent = 0;
    for (const Case &c : cases) {
        ActionPaneModel model(state);
        select(state, {notes});
        model.setOfferedRenameKind(c.kind);
        model.setOfferedRenameURL(notes);
        QStringList next;
        for (const QString &key : c.next)
            next << paths.value(key);
        select(state, next);
        EXPECT_TRUE(model.offeredRenameURL().isEmpty()) << c.name;
        EXPECT_FALSE(model.offeredRenameKind().has_value()) << c.name;
        // Back to the file: the offer was cleared, nothing more is sent.
        select(state, {notes});
        telemetry.settle();
        sent += int(c.expected.size());
        const QStringList events = telemetry.extras("rename_rejected");
        EXPECT_EQ(events.size(), sent) << c.name;
        EXPECT_EQ(events.mid(events.size() - c.expected.size()), c.expected) << c.name;
    }

}

TEST_F(Loading, AnOfferPendingWhenTheInspectorShowsIsNotReported)
{
    TelemetrySink telemetry;
    ContentView view(state);
    view.show();
    select(state, {notes});
    auto *pane = view.findChild<ActionPane *>("actionPane");
    ASSERT_NE(pane, nullptr);
    pane->model().setOfferedRenameKind(QStringLiteral("invoice"));
    pane->model().setOfferedRenameURL(notes);

    state.setShowInspector(true);
    EXPECT_EQ(view.findChild<ActionPane *>("actionPane"), nullptr);
    select(state, {other});
    state.setShowInspector(false);
    auto *fresh = view.findChild<ActionPane *>("actionPane");
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(fresh->model().offeredRenameURL().isEmpty());
    EXPECT_EQ(fresh->model().loadGen(), 1) << "the new pane loads on appearance";
    select(state, {photo});
    telemetry.settle();
    EXPECT_TRUE(telemetry.extras("rename_rejected").isEmpty());
}
