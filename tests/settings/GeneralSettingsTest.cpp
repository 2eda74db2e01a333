// The General page over the test's own stores, agent and content index: what it shows with
// nothing stored, the naming template, the watch switches and folders, the content index
// rows and their clearing, the sidebar's data and the newsletter opt-in.
#include "Defaults.h"
#include "IndexTestSupport.h"
#include "Localization.h"
#include "MarovelPaths.h"
#include "Onboarding.h"
#include "SettingsTestSupport.h"
#include "settings/GeneralSettings.h"
#include "kit/Widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace SettingsTest;

namespace {

const QString watchedKey = QStringLiteral("watchedFolderPaths");

class General : public testing::Test
{
protected:
    void SetUp() override { Loc::shared().setOverride(QStringLiteral("zh-Hans")); }
    void TearDown() override { Loc::shared().setOverride(std::nullopt); }

    std::unique_ptr<GeneralSettings> makePage(Services &services)
    {
        auto page = std::make_unique<GeneralSettings>(services.services());
        page->resize(660, 520);
        page->show();
        return page;
    }

    static QString text(QWidget *root, const char *name) { return child<QLabel>(root, name)->text(); }

    static QStringList folderNames(QWidget *page, const char *rowName, const char *labelName)
    {
        QStringList names;
        for (QWidget *row : shown(page, rowName))
            names << child<Kit::ElidingLabel>(row, labelName)->text();
        return names;
    }
};

TEST_F(General, WithNothingStoredShowsTheDefaults)
{
    QDir().mkpath(QDir::homePath() + "/Downloads"); // Desktop does not exist
    Services services;
    Loc::shared().setOverride(std::nullopt);
    EXPECT_EQ(child<QComboBox>(makePage(services).get(), "languagePicker")->currentIndex(), 0); // 跟随系统
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    auto page = makePage(services);
    EXPECT_EQ(child<QComboBox>(page.get(), "datePositionPicker")->currentText(), "日期在前");
    EXPECT_EQ(child<QComboBox>(page.get(), "dateStylePicker")->currentText(), "年-月-日（2026-06-26）");
    EXPECT_EQ(child<QComboBox>(page.get(), "separatorPicker")->currentText(), "下划线 _");
    EXPECT_EQ(text(page.get(), "namingPreview"), "预览：2026-06-26_Acme公司发票.pdf");
    const struct
    {
        const char *name;
        bool checked;
    } switches[] = {
        {"launchRestoreSwitch", true}, {"menuBarSwitch", true},   {"agentSwitch", false},
        {"contentIndexSwitch", false}, {"preReadSwitch", false},  {"telemetrySwitch", true},
        {"optInSwitch", false},        {"collaborationSwitch", false},
    };
    for (const auto &s : switches)
        EXPECT_EQ(child<QCheckBox>(page.get(), s.name)->isChecked(), s.checked) << s.name;
    EXPECT_EQ(folderNames(page.get(), "watchedFolderRow", "folderName"), QStringList{"Downloads"});
    EXPECT_EQ(shown(page.get(), "watchedFolderRow").value(0)->toolTip(), QDir::homePath() + "/Downloads");
    EXPECT_FALSE(child(page.get(), "optInRows")->isVisible());
    // Indexing off: no status, folders or error, but the clear button and its caption.
    EXPECT_FALSE(child(page.get(), "contentIndexDetails")->isVisible());
    EXPECT_TRUE(child<QPushButton>(page.get(), "clearIndex")->isVisible());
    EXPECT_TRUE(child<QPushButton>(page.get(), "clearIndex")->isEnabled());
    EXPECT_FALSE(child(page.get(), "clearError")->isVisible());
    EXPECT_FALSE(page->findChild<QWidget *>("noTrayCaption"));
    // Nothing was written by merely showing the page.
    for (const char *key : {"launchRestore", "menuBarAgentVisible", "agentEnabled", "namingTemplate.v1", "watchedFolderPaths"})
        EXPECT_FALSE(Defaults::shared().contains(key)) << key;
}

TEST_F(General, TheNamingPickersStoreTheTemplateAndThePreviewFollows)
{
    Services services;
    auto page = makePage(services);
    auto *position = child<QComboBox>(page.get(), "datePositionPicker");
    auto *style = child<QComboBox>(page.get(), "dateStylePicker");
    auto *separator = child<QComboBox>(page.get(), "separatorPicker");
    const struct
    {
        int position, style, separator;
        const char *preview;
        bool styleEnabled;
    } cases[] = {
        {0, 0, 0, "2026-06-26_Acme公司发票.pdf", true},
        {1, 1, 1, "Acme公司发票-20260626.pdf", true},
        {0, 2, 3, "2026-06.Acme公司发票.pdf", true},
        {1, 0, 2, "Acme公司发票 2026-06-26.pdf", true},
        {2, 1, 1, "Acme公司发票.pdf", false},
        {2, 2, 3, "Acme公司发票.pdf", false},
    };
    for (const auto &c : cases) {
        choose(separator, c.separator);
        choose(style, c.style);
        choose(position, c.position);
        EXPECT_EQ(text(page.get(), "namingPreview"), QStringLiteral("预览：") + QString::fromUtf8(c.preview)) << c.preview;
        EXPECT_EQ(style->isEnabled(), c.styleEnabled) << c.preview;
        EXPECT_EQ(services.naming.currentTemplate().render("Acme公司发票", "2026-06-26", "pdf"),
                  QString::fromUtf8(c.preview));
        EXPECT_EQ(Defaults::shared().value("defaultIncludeDate"), QVariant(c.position != 2)) << c.preview;
    }
    const auto stored = NamingTemplate::decode(Defaults::shared().data("namingTemplate.v1"));
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, services.naming.currentTemplate());

    // Turning the date off and on again keeps the chosen style and separator.
    choose(position, 1);
    choose(style, 1);
    choose(separator, 1);
    choose(position, 2);
    choose(position, 1);
    EXPECT_EQ(services.naming.currentTemplate(),
              (NamingTemplate{NamingTemplate::DatePosition::suffix, NamingTemplate::DateStyle::ymdCompact,
                              NamingTemplate::Separator::hyphen}));
    EXPECT_EQ(style->currentIndex(), 1);
    EXPECT_EQ(separator->currentIndex(), 1);

    // A change made elsewhere moves the pickers too.
    services.naming.setTemplate({});
    EXPECT_EQ(position->currentIndex(), 0);
    EXPECT_EQ(text(page.get(), "namingPreview"), "预览：2026-06-26_Acme公司发票.pdf");
}

TEST_F(General, TheWatchSwitchesStoreTheirKeyFirstAndLeaveEachOtherAlone)
{
    const QString folder = TestSupport::makeFolder("Inbox");
    Defaults::shared().setValue(watchedKey, QStringList{folder});
    Services services;
    // What each service finds stored at the moment it is called.
    QList<QVariant> storedWhenRunningChanged;
    QObject::connect(&services.agent, &WatchAgent::runningChanged, &services.agent,
                     [&] { storedWhenRunningChanged << Defaults::shared().value("agentEnabled"); });
    QList<QVariant> storedWhenTrayCalled;
    SettingsServices spied = services.services();
    spied.setTrayItemVisible = [&](bool visible) {
        storedWhenTrayCalled << Defaults::shared().value("menuBarAgentVisible");
        services.trayCalls << visible;
    };
    GeneralSettings page(spied);
    page.show();
    GeneralSettings other(services.services()); // another page open at the same time
    auto *trayItem = child<QCheckBox>(&page, "menuBarSwitch");
    auto *agent = child<QCheckBox>(&page, "agentSwitch");

    click(agent);
    EXPECT_TRUE(services.agent.isRunning());
    EXPECT_EQ(storedWhenRunningChanged, QList<QVariant>{true});
    EXPECT_FALSE(Defaults::shared().contains("menuBarAgentVisible"));
    EXPECT_TRUE(services.trayCalls.isEmpty());

    click(trayItem);
    EXPECT_EQ(services.trayCalls, QList<bool>{false});
    EXPECT_EQ(storedWhenTrayCalled, QList<QVariant>{false});
    EXPECT_EQ(Defaults::shared().value("agentEnabled"), QVariant(true));
    EXPECT_TRUE(services.agent.isRunning()); // hiding the tray item keeps watching

    click(agent);
    EXPECT_FALSE(services.agent.isRunning());
    EXPECT_EQ(storedWhenRunningChanged, (QList<QVariant>{true, false}));
    EXPECT_EQ(Defaults::shared().value("menuBarAgentVisible"), QVariant(false));

    // The switches follow the stored settings wherever they change.
    Defaults::shared().setValue("agentEnabled", true);
    EXPECT_TRUE(child<QCheckBox>(&other, "agentSwitch")->isChecked());
    EXPECT_TRUE(agent->isChecked());
    EXPECT_FALSE(child<QCheckBox>(&other, "menuBarSwitch")->isChecked());
}

TEST_F(General, ReplayClearsTheCompletedFlagAndBringsTheShownMainWindowForward)
{
    const QString completed = QString::fromLatin1(OnboardingKeys::completed);
    Defaults::shared().setValue(completed, true);
    QWidget closed; // a main window that is not shown
    closed.setWindowTitle("Marovel");
    QWidget main;
    main.setWindowTitle("Marovel");
    main.showMinimized();
    QWidget other;
    other.setWindowTitle("Other");
    other.show();
    other.activateWindow();
    ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == &other; }));
    Services services;
    auto page = makePage(services);
    auto *replay = child<QPushButton>(page.get(), "replayOnboarding");
    EXPECT_EQ(replay->text(), "重新显示首启引导");

    click(replay);
    EXPECT_EQ(Defaults::shared().value(completed), QVariant(false));
    EXPECT_TRUE(waitFor([&] { return QApplication::activeWindow() == &main; }));
    EXPECT_FALSE(main.isMinimized());

    // No main window shown: the flag is still cleared and nothing else is brought forward.
    main.hide();
    other.activateWindow();
    ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == &other; }));
    Defaults::shared().setValue(completed, true);
    click(replay);
    EXPECT_EQ(Defaults::shared().value(completed), QVariant(false));
    QTest::qWait(100);
    EXPECT_EQ(QApplication::activeWindow(), &other);
}

TEST_F(General, WatchedFoldersFollowTheAgentAndTheLastRemovalLeavesAnEmptyList)
{
    const QString a = TestSupport::makeFolder("Alpha");
    const QString b = TestSupport::makeFolder("Beta");
    const QString c = TestSupport::makeFolder("Gamma");
    Defaults::shared().setValue(watchedKey, QStringList{a, b});
    Services services;
    auto page = makePage(services);
    EXPECT_EQ(folderNames(page.get(), "watchedFolderRow", "folderName"), (QStringList{"Alpha", "Beta"}));

    auto *add = child<QPushButton>(page.get(), "addWatchedFolder");
    services.answers = {std::nullopt, a, c};
    click(add); // cancelled
    click(add); // already watched
    EXPECT_EQ(Defaults::shared().stringList(watchedKey), (QStringList{a, b}));
    click(add);
    EXPECT_EQ(folderNames(page.get(), "watchedFolderRow", "folderName"), (QStringList{"Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(services.chooserTitles.value(0), "添加文件夹…");

    services.agent.removeWatchedFolder(b); // elsewhere
    EXPECT_EQ(folderNames(page.get(), "watchedFolderRow", "folderName"), (QStringList{"Alpha", "Gamma"}));
    while (!shown(page.get(), "watchedFolderRow").isEmpty())
        click(child<QToolButton>(shown(page.get(), "watchedFolderRow").first(), "removeFolder"));
    const QVariant stored = Defaults::shared().value(watchedKey);
    EXPECT_TRUE(stored.isValid());
    EXPECT_TRUE(stored.toStringList().isEmpty());
    EXPECT_FALSE(child(page.get(), "watchedFolders")->isVisible());
}

TEST_F(General, WithoutASystemTrayTheSwitchSaysWhereTheListIs)
{
    Services services;
    services.tray = false;
    auto page = makePage(services);
    auto *caption = child<QLabel>(page.get(), "noTrayCaption");
    EXPECT_TRUE(caption->isVisible());
    EXPECT_EQ(caption->text(), L("这个桌面没有系统托盘，不会出现托盘图标；盯梢列表在窗口菜单「显示」里的「后台盯梢」。"));
}

// An extraction that waits until the test lets it go, so a scan stays under way.
struct HeldExtraction
{
    ContentIndexScan::Extract function()
    {
        return [this](const QString &path) {
            gate->acquire();
            gate->release();
            return Extraction{QString::fromUtf8(TestSupport::readFile(path)), QStringLiteral("text")};
        };
    }
    std::shared_ptr<QSemaphore> gate = std::make_shared<QSemaphore>(0);
};

TEST_F(General, DuringAScanRebuildAndClearWaitWhileFoldersStayEditable)
{
    const QString docs = TestSupport::makeFolder("Docs");
    TestSupport::writeFile(docs + "/a.txt", "alpha");
    TestSupport::writeFile(docs + "/b.txt", "beta");
    HeldExtraction held;
    ContentIndexConfig config = Services::defaultIndexConfig();
    config.extract = held.function();
    Services services(config);
    auto page = makePage(services);
    ContentIndex &index = *services.index;

    services.answers = {docs};
    click(child<QCheckBox>(page.get(), "contentIndexSwitch"));
    EXPECT_TRUE(index.enabled());
    ASSERT_TRUE(waitFor([&] { return child(page.get(), "contentIndexDetails")->isVisible(); }));
    click(child<QPushButton>(page.get(), "addIndexRoot"));
    EXPECT_EQ(index.roots(), QStringList{docs});
    ASSERT_TRUE(waitFor([&] { return index.isIndexing() && child(page.get(), "indexProgress")->isVisible(); }));
    EXPECT_EQ(text(page.get(), "indexStatus"), "正在建立索引… 0%");
    EXPECT_FALSE(child<QPushButton>(page.get(), "rebuildIndex")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(page.get(), "clearIndex")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(page.get(), "addIndexRoot")->isEnabled());
    ASSERT_EQ(shown(page.get(), "indexRootRow").size(), 1);
    EXPECT_TRUE(child<QToolButton>(shown(page.get(), "indexRootRow").first(), "removeRoot")->isEnabled());
    EXPECT_EQ(shown(page.get(), "indexRootRow").first()->toolTip(), docs);

    held.gate->release();
    ASSERT_TRUE(waitFor([&] { return !index.isIndexing() && text(page.get(), "indexStatus") == "已索引 2 个文件"; }));
    EXPECT_FALSE(child(page.get(), "indexProgress")->isVisible());
    EXPECT_TRUE(child<QPushButton>(page.get(), "rebuildIndex")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(page.get(), "clearIndex")->isEnabled());

    // Clearing asks first: cancelling keeps the index, confirming clears it once.
    QSignalSpy counts(&index, &ContentIndex::indexedCountChanged);
    for (const bool confirm : {false, true}) {
        click(child<QPushButton>(page.get(), "clearIndex"));
        click(child<QPushButton>(page.get(), "clearIndex")); // asking again while shown does nothing
        const QList<QMessageBox *> boxes = page->window()->findChildren<QMessageBox *>("clearIndexConfirm");
        ASSERT_EQ(boxes.size(), 1);
        QMessageBox *box = boxes.first();
        EXPECT_EQ(box->text(), "清除本地索引数据？");
        EXPECT_EQ(box->windowModality(), Qt::WindowModal);
        if (confirm) {
            click(child<QPushButton>(box, "clearIndexButton"));
            ASSERT_TRUE(waitFor([&] { return index.indexedCount() == 0; }));
        } else {
            click(box->button(QMessageBox::Cancel));
            QTest::qWait(100);
            EXPECT_EQ(index.indexedCount(), 2);
            EXPECT_TRUE(counts.isEmpty());
        }
        ASSERT_TRUE(waitFor([&] { return page->window()->findChildren<QMessageBox *>("clearIndexConfirm").isEmpty(); }));
    }
    EXPECT_EQ(counts.size(), 1);
}

TEST_F(General, ARootWithoutANameShowsItsPathAndTheRowsFollowTheIndex)
{
    Services services;
    auto page = makePage(services);
    services.index->addRoot("/"); // off: stored, not scanned
    const QString docs = TestSupport::makeFolder("Docs");
    services.index->addRoot(docs);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the rows replaced
    const QList<QWidget *> rows = page->findChildren<QWidget *>("indexRootRow");
    ASSERT_EQ(rows.size(), 2);
    QStringList titles, tips;
    for (QWidget *row : rows) {
        titles << child<Kit::ElidingLabel>(row, "rootName")->text();
        tips << row->toolTip();
    }
    titles.sort();
    tips.sort();
    EXPECT_EQ(titles, (QStringList{"/", "Docs"}));
    EXPECT_EQ(tips, (QStringList{"/", docs}));
}

TEST_F(General, AFailedClearIsShownBesideTheClearButtonWhileIndexingIsOff)
{
    // The database cannot be made: a file stands where its folder should be.
    TestSupport::writeFile(TestSupport::root() + "/blocked", "x");
    ContentIndexConfig config = Services::defaultIndexConfig();
    config.databasePath = TestSupport::root() + "/blocked/content-index.sqlite";
    Services services(config);
    auto page = makePage(services);
    click(child<QPushButton>(page.get(), "clearIndex"));
    auto *box = page->window()->findChild<QMessageBox *>("clearIndexConfirm");
    ASSERT_TRUE(box);
    click(child<QPushButton>(box, "clearIndexButton"));
    ASSERT_TRUE(waitFor([&] { return !services.index->lastError().isEmpty(); }));
    auto *error = child<QLabel>(page.get(), "clearError");
    ASSERT_TRUE(waitFor([&] { return error->isVisible(); }));
    EXPECT_EQ(error->text(), services.index->lastError());
    EXPECT_FALSE(child(page.get(), "indexError")->isVisible()); // the section is closed
}

TEST_F(General, ADocumentCountThatCannotBeReadIsNotShownAsNone)
{
    // Every page of the stored documents and their indexes no longer reads.
    const QString docs = TestSupport::makeFolder("Docs");
    ContentIndexConfig config = Services::defaultIndexConfig();
    {
        ContentIndexConnection writer;
        writer.open(config.databasePath);
        for (int i = 0; i < 30; ++i)
            writer.upsert(IndexTest::document(QStringLiteral("/old/%1.txt").arg(i), "x"));
    }
    ASSERT_GE(IndexTest::damage(config.databasePath,
                                {"documents", "sqlite_autoindex_documents_1", "documents_modified",
                                 "documents_indexed_at"},
                                IndexTest::Leaves::All),
              4);
    Services services(config);
    services.index->addRoot(docs);
    auto page = makePage(services);
    click(child<QCheckBox>(page.get(), "contentIndexSwitch"));
    ASSERT_TRUE(waitFor([&] { return !services.index->lastError().isEmpty() && !services.index->isIndexing(); }));
    QTest::qWait(50); // the section follows on the next turn
    EXPECT_EQ(text(page.get(), "indexStatus"), L("无法读取已索引文件数"));
    EXPECT_TRUE(child(page.get(), "indexError")->isVisible());
}

TEST_F(General, TheIndexSectionSaysWhenSomeFoldersAreNotWatched)
{
    const QString docs = TestSupport::makeFolder("Docs");
    for (const char *sub : {"a", "b"})
        QDir().mkpath(docs + "/" + sub);
    ContentIndexConfig config = Services::defaultIndexConfig();
    config.watchLimit = 1; // the root only
    Services services(config);
    services.index->addRoot(docs);
    auto page = makePage(services);
    click(child<QCheckBox>(page.get(), "contentIndexSwitch"));
    QLabel *note = nullptr;
    ASSERT_TRUE(waitFor([&] {
        note = page->findChild<QLabel *>("indexWatchLimit");
        return note && note->isVisible();
    }));
    const QString key = QStringLiteral("监视的文件夹数已达系统上限：“%@”等文件夹里的改动不会自动更新索引，需要时请点“重建”。");
    EXPECT_TRUE(note->text() == L(key, docs + "/a") || note->text() == L(key, docs + "/b"))
        << note->text().toStdString();
}

TEST_F(General, TheSidebarCountsSkipVanishedPinsWhichAreClearedAllTheSame)
{
    const QString a = TestSupport::makeFolder("A");
    const QString b = TestSupport::makeFolder("B");
    Services services;
    services.store.recordVisit(a);
    services.store.recordVisit(b);
    services.store.togglePin(a);
    services.store.togglePin(b);
    QDir(b).removeRecursively();
    auto page = makePage(services);
    EXPECT_EQ(text(page.get(), "sidebarCounts"), "最近 2 项 · 置顶 1 项");
    EXPECT_EQ(text(page.get(), "sidebarStorage"),
              L("全部只存本机（%@），从不上传。", QStringLiteral("~/.local/share/Marovel")));

    click(child<QPushButton>(page.get(), "clearPins"));
    EXPECT_EQ(text(page.get(), "sidebarCounts"), "最近 2 项 · 置顶 0 项");
    click(child<QPushButton>(page.get(), "clearRecents"));
    EXPECT_EQ(text(page.get(), "sidebarCounts"), "最近 0 项 · 置顶 0 项");
    services.store.flush();
    for (const char *file : {"pins.json", "recents.json"}) {
        const QJsonDocument stored = QJsonDocument::fromJson(TestSupport::readFile(MarovelPaths::appSupport() + "/" + file));
        EXPECT_TRUE(stored.isArray()) << file;
        EXPECT_TRUE(stored.array().isEmpty()) << file;
    }
}

TEST_F(General, TheOptInSendsATrimmedAddressOnReturnOnlyWhenItLooksLikeOne)
{
    Loopback::Server server;
    qputenv("MAROVEL_TELEMETRY_URL", server.base().toUtf8());
    Defaults::shared().setValue("telemetryEnabled", false); // the opt-in is sent regardless
    Services services;
    auto page = makePage(services);
    auto *field = child<QLineEdit>(page.get(), "optInEmail");
    EXPECT_FALSE(field->isVisible());
    click(child<QCheckBox>(page.get(), "optInSwitch"));
    ASSERT_TRUE(field->isVisible());
    EXPECT_EQ(field->placeholderText(), "你的邮箱");

    const struct
    {
        const char *typed;
        const char *sent; // null: nothing is sent
    } cases[] = {
        {"  someone@example  ", nullptr},
        {"someone.example.org", nullptr},
        {"", nullptr},
        {"  me@example.org  ", "me@example.org"},
        {"last@example.net", "last@example.net"},
    };
    QStringList expected;
    for (const auto &c : cases) {
        field->clear();
        Defaults::shared().setValue("optInEmail", QString());
        QTest::keyClicks(field, QString::fromUtf8(c.typed));
        EXPECT_EQ(Defaults::shared().string("optInEmail"), QString::fromUtf8(c.typed)); // as typed
        QTest::keyClick(field, Qt::Key_Return);
        if (c.sent)
            expected << QString::fromUtf8(c.sent);
    }
    ASSERT_TRUE(server.waitForHits(expected.size()));
    QTest::qWait(200);
    QStringList sent;
    for (const Loopback::Request &request : server.requests()) {
        EXPECT_EQ(request.path, "/api/optin");
        sent << QJsonDocument::fromJson(request.body).object().value("email").toString();
    }
    EXPECT_EQ(sent, expected);

    // Off hides the field and keeps the address.
    click(child<QCheckBox>(page.get(), "optInSwitch"));
    EXPECT_FALSE(field->isVisible());
    EXPECT_EQ(Defaults::shared().string("optInEmail"), "last@example.net");
    click(child<QCheckBox>(page.get(), "telemetrySwitch"));
    EXPECT_EQ(Defaults::shared().value("telemetryEnabled"), QVariant(true));
}

} // namespace
