// What the action pane loads for the selection, and in which order: applications, then the
// scenario, each dropped when the selection moved on; folders, unlisted paths and several
// items load nothing; unanswered rename offers are reported once.
#include "ActionTestSupport.h"
#include "TestSupport.h"
#include "window/ContentView.h"

#include <QSignalSpy>

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
    ASSERT_TRUE(waitFor([&] { return model.match().has_value(); }));
    EXPECT_EQ(model.match()->kind, state.scenarioCache().value(notes).kind);
    EXPECT_TRUE(idsOf(model.apps()).contains("editor.desktop"));
    photoApps->open();
    QTest::qWait(100);
    EXPECT_FALSE(idsOf(model.apps()).contains("viewer.desktop"));
    EXPECT_FALSE(state.scenarioCache().contains(photo)) << "no scenario lookup for a dropped load";

    // The photo's scenario arrives after the text file's.
    HeldScenario photoScenario(state, photo);
    select(state, {photo});
    ASSERT_TRUE(waitFor([&] { return model.thinking(); }));
    // The photo's own applications (the machine may add its own image viewers).
    EXPECT_TRUE(idsOf(model.apps()).contains("viewer.desktop"));
    EXPECT_FALSE(idsOf(model.apps()).contains("editor.desktop"));
    select(state, {other});
    ASSERT_TRUE(waitFor([&] { return model.match().has_value(); }));
    const ScenarioMatch otherMatch = *model.match();
    photoScenario.finish(matchOf(ScenarioKind::screenshot, "late"));
    QTest::qWait(100);
    EXPECT_EQ(model.match(), otherMatch);
    EXPECT_FALSE(model.thinking());
    EXPECT_TRUE(idsOf(model.apps()).contains("editor.desktop"));
}

TEST_F(Loading, AFileFillsApplicationsThenThinksThenMatches)
{
    ActionPaneModel model(state);
    QStringList order;
    QObject::connect(&model, &ActionPaneModel::appsChanged, [&] { order << "apps"; });
    QObject::connect(&model, &ActionPaneModel::thinkingChanged,
                     [&] { order << (model.thinking() ? "thinking" : "done"); });
    QObject::connect(&model, &ActionPaneModel::matchChanged, [&] { order << "match"; });
    select(state, {notes});
    ASSERT_TRUE(waitFor([&] { return model.match().has_value(); }));
    EXPECT_EQ(order, (QStringList{"apps", "thinking", "done", "match"}));
    EXPECT_FALSE(model.thinking());
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
    ASSERT_TRUE(waitFor([&] { return model.match().has_value(); }));
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
