// The single-item view: the info line, what a folder and a file show, the engine section,
// the naming request (one at a time, answers kept for their own file) and the folder hero
// that organises the folder it entered.
#include "ActionTestSupport.h"
#include "Defaults.h"
#include "ModelDownload.h"
#include "Namer.h"
#include "TestSupport.h"
#include "WindowTestSupport.h"
#include "action/ActionButton.h"
#include "action/ItemNameLabel.h"
#include "action/ModelSetupCard.h"
#include "action/NamingResult.h"
#include "action/OpenWithButton.h"
#include "action/ScenarioCard.h"
#include "action/SingleItemView.h"

#include <QLabel>
#include <QFileInfo>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace ActionTest;

namespace {

// A pane in a window of the detail column's width.
struct PaneWindow
{
    explicit PaneWindow(BrowserState &state) : pane(new ActionPane(state, &download, &window))
    {
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(pane);
        window.resize(360, 900);
        window.show();
    }

    template <typename T>
    T *find(const char *name) const
    {
        return pane->findChild<T *>(QString::fromLatin1(name));
    }
    bool shown(const char *name) const
    {
        QWidget *widget = find<QWidget>(name);
        return widget && widget->isVisibleTo(&window);
    }
    QString hero() const { return find<ActionButton>("heroButton")->label(); }
    // Waits until the pane's queued update has run.
    bool showsItem(const QString &path) const
    {
        return waitFor([&] {
            return pane->page() == ActionPane::Page::single && pane->singleView()->item().path == path;
        });
    }

    ModelDownload download;
    QWidget window;
    ActionPane *pane;
};

// A naming engine that counts its requests and answers when the test says so.
struct HeldProposer
{
    struct Shared
    {
        QMutex lock;
        QStringList asked;
        QStringList models;
        std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    };
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();

    ActionPaneModel::Proposer proposer() const
    {
        return [shared = shared](const QString &path, const QString &model) {
            std::shared_ptr<Gate> gate;
            {
                QMutexLocker locker(&shared->lock);
                shared->asked << path;
                shared->models << model;
                gate = shared->gate;
            }
            gate->wait();
            return Proposal{path, QFileInfo(path).fileName(), "answer for " + QFileInfo(path).fileName(), "high",
                            {}, true};
        };
    }
    int count() const
    {
        QMutexLocker locker(&shared->lock);
        return int(shared->asked.size());
    }
    QStringList models() const
    {
        QMutexLocker locker(&shared->lock);
        return shared->models;
    }
    // Answers the requests waiting now; later ones wait at a new gate.
    void answer()
    {
        QMutexLocker locker(&shared->lock);
        shared->gate->open();
        shared->gate = std::make_shared<Gate>();
    }
};

} // namespace

TEST(SingleItemView, InfoLineHoldsKindSizeAndDay)
{
    ScopedLanguage language("zh-Hans");
    BrowserState state;
    ActionPaneModel model(state);
    ModelDownload download;
    SingleItemView view(model, download);
    const QDateTime day(QDate(2024, 3, 7), QTime(10, 30));
    struct Case
    {
        const char *name;
        bool isDir;
        qint64 size;
        QDateTime modified;
        const char *kind;
        const char *line;
    };
    const Case cases[] = {
        {"file", false, 1536, day, "纯文本文档", "纯文本文档 · 1.5 KB · 2024-03-07"},
        {"folder", true, 4096, day, "文件夹", "文件夹 · 2024-03-07"},
        {"empty file", false, 0, day, "纯文本文档", "纯文本文档 ·  · 2024-03-07"},
        {"no date", false, 1536, FileItem::distantPast(), "纯文本文档", "纯文本文档 · 1.5 KB · "},
    };
    for (const Case &c : cases) {
        FileItem item = BrowserTest::item(c.name, c.isDir, c.size);
        item.kind = QString::fromUtf8(c.kind);
        item.modified = c.modified;
        view.setItem(item);
        EXPECT_EQ(view.findChild<QLabel *>("singleInfo")->text(), QString::fromUtf8(c.line)) << c.name;
    }
    // A day late in the evening stays that day in local time.
    FileItem late = BrowserTest::item("late.txt");
    late.kind = "纯文本文档";
    late.modified = QDateTime(QDate(2024, 12, 31), QTime(23, 59));
    view.setItem(late);
    EXPECT_TRUE(view.findChild<QLabel *>("singleInfo")->text().endsWith("2024-12-31"));
}

TEST(SingleItemView, ShowsNamesLiterallyInAtMostThreeLines)
{
    BrowserState state;
    ActionPaneModel model(state);
    ModelDownload download;
    SingleItemView view(model, download);
    view.resize(360, 900);
    view.show();
    FileItem markup = BrowserTest::item("<b>x</b>.pdf");
    markup.tags = {"Red"};
    view.setItem(markup);
    auto *name = view.findChild<ItemNameLabel *>("singleName");
    EXPECT_EQ(name->text(), "<b>x</b>.pdf");
    EXPECT_EQ(name->toolTip(), "<b>x</b>.pdf");
    EXPECT_EQ(view.findChild<QLabel *>("singleInfo")->textFormat(), Qt::PlainText);
    EXPECT_TRUE(view.findChild<QWidget *>("singleTags")->isVisibleTo(&view));

    const QString longName = QString("A very long name ").repeated(20) + ".pdf";
    view.setItem(BrowserTest::item(longName));
    EXPECT_FALSE(view.findChild<QWidget *>("singleTags")->isVisibleTo(&view)) << "no tags, no row";
    const QStringList lines = name->shownLines();
    ASSERT_EQ(lines.size(), ItemNameLabel::maxLines);
    EXPECT_TRUE(lines.last().endsWith(QChar(0x2026)));
    EXPECT_EQ(name->toolTip(), longName);
    EXPECT_TRUE(waitFor([&] { return name->height() == name->heightForWidth(name->width()); }));
}

TEST(SingleItemView, AFolderShowsItsHeroGridAndTrashButNoFileParts)
{
    ScopedLanguage language("zh-Hans");
    const QString folder = makeTree("views", {"notes.txt", "sub/"});
    BrowserState state;
    enter(state, folder);
    PaneWindow w(state);
    w.pane->model().setAppsLookup([](const QString &) { return QList<OpenWithApp>{{"editor.desktop", "Editor"}}; });

    select(state, {folder + "/sub"});
    ASSERT_TRUE(w.showsItem(folder + "/sub"));
    EXPECT_EQ(w.hero(), "进入并 AI 整理");
    for (const char *part : {"modelSetupCard", "engineLine", "scenarioCard", "namingResult", "openWithButton"})
        EXPECT_FALSE(w.shown(part)) << part;
    EXPECT_TRUE(w.shown("folderTrash"));
    EXPECT_TRUE(w.shown("actionGrid"));

    // A file with no engine ready: the setup card, not the engine line; then the reverse.
    select(state, {folder + "/notes.txt"});
    ASSERT_TRUE(w.showsItem(folder + "/notes.txt"));
    ASSERT_TRUE(waitFor([&] { return w.shown("openWithButton"); }));
    EXPECT_EQ(w.hero(), "AI 起个好名字");
    EXPECT_FALSE(w.shown("folderTrash"));
    EXPECT_TRUE(w.shown("modelSetupCard"));
    EXPECT_FALSE(w.shown("engineLine"));
    state.setOllamaUp(true);
    ASSERT_TRUE(waitFor([&] { return w.shown("engineLine"); }));
    EXPECT_FALSE(w.shown("modelSetupCard"));
    EXPECT_EQ(w.find<QLabel>("engineText")->text(), "本地大脑已就绪");
    state.setOllamaUp(false);
    ASSERT_TRUE(waitFor([&] { return w.shown("modelSetupCard"); }));
    EXPECT_FALSE(w.shown("engineLine"));
}

TEST(SingleItemView, NothingSelectedOrAnUnlistedPathShowsTheHint)
{
    ScopedLanguage language("zh-Hans");
    const QString folder = makeTree("hint", {"a.txt", "b.txt"});
    BrowserState state;
    enter(state, folder);
    PaneWindow w(state);
    EXPECT_EQ(w.pane->page(), ActionPane::Page::hint);
    EXPECT_EQ(w.find<QLabel>("actionHintTitle")->text(), "选中文件，下一步动作就在这里");
    EXPECT_EQ(w.find<QLabel>("actionHintDetail")->text(), "不用再去翻右键菜单");
    select(state, {folder + "/gone.txt"});
    QTest::qWait(20);
    EXPECT_EQ(w.pane->page(), ActionPane::Page::hint);
    select(state, {folder + "/a.txt", folder + "/b.txt"});
    ASSERT_TRUE(waitFor([&] { return w.pane->page() == ActionPane::Page::multi; }));
}

TEST(SingleItemView, TheFileHeroAsksOnceAndKeepsAnswersForTheirFile)
{
    ScopedLanguage language("zh-Hans");
    const QString folder = makeTree("naming", {"a.txt", "b.txt"});
    const QString a = folder + "/a.txt", b = folder + "/b.txt";
    Defaults::shared().remove(Namer::preferredModelKey);
    BrowserState state;
    enter(state, folder);
    PaneWindow w(state);
    ActionPaneModel &model = w.pane->model();
    HeldProposer engine;
    model.setProposer(engine.proposer());

    select(state, {a});
    ASSERT_TRUE(w.showsItem(a));
    auto *hero = w.find<ActionButton>("heroButton");
    hero->click();
    hero->click();
    EXPECT_EQ(w.hero(), "AI 正在读…");
    ASSERT_TRUE(waitFor([&] { return engine.count() == 1; }));
    QTest::qWait(50);
    EXPECT_EQ(engine.count(), 1) << "a second click while reading asks nothing";
    EXPECT_EQ(engine.models(), QStringList{"qwen2.5:7b"});
    engine.answer();
    ASSERT_TRUE(waitFor([&] { return model.proposal().has_value(); }));
    EXPECT_FALSE(model.naming());
    EXPECT_EQ(model.proposedURL(), a);
    EXPECT_EQ(model.proposal()->newName, "answer for a.txt");
    EXPECT_EQ(w.hero(), "AI 起个好名字");

    // Asked for a, answered while b is selected: shown for neither.
    hero->click();
    EXPECT_FALSE(model.proposal().has_value()) << "a new request clears the shown answer";
    select(state, {b});
    ASSERT_TRUE(w.showsItem(b));
    EXPECT_EQ(w.hero(), "AI 起个好名字");
    ASSERT_TRUE(waitFor([&] { return engine.count() == 2; }));
    engine.answer();
    QTest::qWait(100);
    EXPECT_FALSE(model.proposal().has_value());
    EXPECT_FALSE(model.naming());

    // Asked for a, a selected again before the answer: the answer shows for a.
    select(state, {a});
    ASSERT_TRUE(w.showsItem(a));
    Defaults::shared().setValue(Namer::preferredModelKey, "llama3:8b");
    hero->click();
    select(state, {b});
    select(state, {a});
    ASSERT_TRUE(waitFor([&] { return engine.count() == 3; }));
    engine.answer();
    ASSERT_TRUE(waitFor([&] { return model.proposal().has_value(); }));
    EXPECT_EQ(model.proposedURL(), a);
    EXPECT_EQ(engine.models().last(), "llama3:8b");
    Defaults::shared().remove(Namer::preferredModelKey);
}

TEST(SingleItemView, ClosingWhileAskingDropsTheAnswer)
{
    const QString folder = makeTree("closing", {"a.txt"});
    BrowserState state;
    enter(state, folder);
    HeldProposer engine;
    {
        PaneWindow w(state);
        w.pane->model().setProposer(engine.proposer());
        select(state, {folder + "/a.txt"});
        ASSERT_TRUE(w.showsItem(folder + "/a.txt"));
        w.find<ActionButton>("heroButton")->click();
        ASSERT_TRUE(waitFor([&] { return engine.count() == 1; }));
    }
    engine.answer();
    QTest::qWait(100); // the answer's delivery finds no pane and does nothing
}

// Entering a folder lists it in the background: organising must wait for that listing and
// never take the items of the folder it left.
TEST(SingleItemView, TheFolderHeroOrganisesTheFolderItEntered)
{
    const QString folder = makeTree("organise", {"outer1.txt", "outer2.txt", "outer3.txt", "inner/"});
    TestSupport::writeFile(folder + "/inner/report.txt", "Quarterly report\nsales up\n");
    BrowserState state;
    enter(state, folder);
    PaneWindow w(state);
    select(state, {folder + "/inner"});
    ASSERT_TRUE(w.showsItem(folder + "/inner"));
    state.scenarioCache().insert(folder + "/outer1.txt", ScenarioMatch{});

    w.find<ActionButton>("heroButton")->click();
    EXPECT_TRUE(state.scenarioCache().isEmpty());
    EXPECT_EQ(state.activePane()->current(), folder + "/inner");
    EXPECT_EQ(state.activePane()->back(), QStringList{folder});
    EXPECT_FALSE(state.scanning()) << "nothing is organised before the folder is listed";
    EXPECT_EQ(state.activePane()->items().size(), 4) << "the listing of the folder left is still shown";

    ASSERT_TRUE(waitFor([&] { return state.scanning(); }));
    EXPECT_EQ(state.activePane()->items().size(), 1);
    ASSERT_TRUE(waitFor([&] { return !state.scanning(); }, 30000));
    // The summary counts the one file of the folder entered.
    EXPECT_TRUE(state.status().contains("1")) << state.status().toStdString();
    EXPECT_FALSE(state.status().contains("3")) << state.status().toStdString();
}

TEST(SingleItemView, TheFolderHeroOrganisesNothingWhenThePaneMovedOn)
{
    const QString folder = makeTree("moved", {"outer.txt", "inner/", "elsewhere/"});
    TestSupport::writeFile(folder + "/inner/report.txt", "report\n");
    BrowserState state;
    enter(state, folder);
    PaneWindow w(state);
    select(state, {folder + "/inner"});
    ASSERT_TRUE(w.showsItem(folder + "/inner"));
    w.find<ActionButton>("heroButton")->click();
    state.activePane()->go(folder + "/elsewhere", true);
    bool listed = false;
    QObject::connect(state.activePane(), &PaneState::listed, [&] { listed = true; });
    ASSERT_TRUE(waitFor([&] { return listed; }));
    QTest::qWait(100);
    EXPECT_FALSE(state.scanning());
    EXPECT_TRUE(state.status().isEmpty()) << state.status().toStdString();
}
