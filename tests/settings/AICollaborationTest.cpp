// The AI collaboration page: the client configuration and where the server is found, the
// copies to the clipboard, and the authorised workspaces with their failures.
#include "CollaborationStore.h"
#include "Localization.h"
#include "MarovelPaths.h"
#include "SettingsTestSupport.h"
#include "Workspace.h"
#include "settings/AICollaborationSettings.h"
#include "settings/McpClientConfig.h"
#include "kit/Widgets.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace SettingsTest;

namespace {

class Collaboration : public testing::Test
{
protected:
    void SetUp() override { Loc::shared().setOverride(QStringLiteral("zh-Hans")); }
    void TearDown() override { Loc::shared().setOverride(std::nullopt); }

    std::unique_ptr<AICollaborationSettings> makePage(CollaborationStore &store,
                                                      McpClientConfig::Command command = ordinary())
    {
        auto page = std::make_unique<AICollaborationSettings>(store, command);
        page->resize(660, 520);
        page->show(); // reloads the store
        EXPECT_TRUE(waitFor([&] { return !store.isBusy(); }));
        return page;
    }

    static McpClientConfig::Command ordinary()
    {
        return {QStringLiteral("/usr/local/libexec/marovel/marovel-mcp"), true};
    }

    static QStringList workspaceNames(QWidget *page)
    {
        QStringList names;
        for (QWidget *row : shown(page, "workspaceRow"))
            names << child<Kit::ElidingLabel>(row, "workspaceName")->text();
        return names;
    }

    static void makeExecutable(const QString &path)
    {
        TestSupport::writeFile(path, "#!/bin/sh\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    }
};

TEST_F(Collaboration, AnOrdinaryPathGivesTheFiveLinesAndTheClipboardGetsTheSameBytes)
{
    const QString expected = QStringLiteral("{\n"
                                            "  \"mcpServers\": {\n"
                                            "    \"marovel\": { \"command\": \"/usr/local/libexec/marovel/marovel-mcp\" }\n"
                                            "  }\n"
                                            "}");
    EXPECT_EQ(McpClientConfig::text(ordinary().path), expected);

    CollaborationStore store;
    auto page = makePage(store);
    EXPECT_EQ(child<QLabel>(page.get(), "mcpConfiguration")->text(), expected);
    EXPECT_EQ(page->findChild<QLabel *>("serverMissing"), nullptr);
    EXPECT_FALSE(child(page.get(), "copiedNote")->isVisible());
    click(child<QPushButton>(page.get(), "copyConfiguration"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
    EXPECT_EQ(child<QLabel>(page.get(), "copiedNote")->text(), "已复制 MCP 配置");
    EXPECT_TRUE(child(page.get(), "copiedNote")->isVisible());
}

TEST_F(Collaboration, AnyPathIsWrittenAsAJsonStringThatReadsBackToItself)
{
    const QString paths[] = {
        QStringLiteral("/opt/a \"quoted\" name/marovel-mcp"),
        QStringLiteral("/opt/back\\slash/marovel-mcp"),
        QStringLiteral("/opt/line\nfeed\tand\x01control/marovel-mcp"),
        QStringLiteral("/home/用户/应用/marovel-mcp"),
    };
    for (const QString &path : paths) {
        const QString text = McpClientConfig::text(path);
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << text.toStdString();
        const QJsonObject server = document.object().value("mcpServers").toObject().value("marovel").toObject();
        EXPECT_EQ(server.value("command").toString(), path);
        EXPECT_EQ(server.keys(), QStringList{"command"});
        EXPECT_EQ(text.count(u'\n'), 4) << text.toStdString(); // line feeds in the path are escaped
        EXPECT_FALSE(text.contains(QStringLiteral("\\/")));
    }
    EXPECT_TRUE(McpClientConfig::text(QStringLiteral("/home/用户/marovel-mcp")).contains(QStringLiteral("用户")));
}

TEST_F(Collaboration, TheServerIsFoundBesideAnInstalledApplicationOrInTheBuildTree)
{
    const QString installed = TestSupport::makeFolder("installed");
    const QString build = TestSupport::makeFolder("build-tree/bin");
    const QString both = TestSupport::makeFolder("both");
    const QString neither = TestSupport::makeFolder("neither");
    QDir().mkpath(installed + "/bin");
    makeExecutable(installed + "/libexec/marovel/marovel-mcp");
    makeExecutable(build + "/marovel-mcp");
    QDir().mkpath(both + "/bin");
    makeExecutable(both + "/libexec/marovel/marovel-mcp");
    makeExecutable(both + "/bin/marovel-mcp");
    QDir().mkpath(neither + "/bin");
    TestSupport::writeFile(neither + "/bin/marovel-mcp", "not executable");
    const struct
    {
        const char *what;
        QString appDir;
        McpClientConfig::Command expected;
    } cases[] = {
        {"installed", installed + "/bin", {installed + "/libexec/marovel/marovel-mcp", true}},
        {"build tree", build, {build + "/marovel-mcp", true}},
        {"both: the installed one", both + "/bin", {both + "/libexec/marovel/marovel-mcp", true}},
        {"neither", neither + "/bin", {neither + "/libexec/marovel/marovel-mcp", false}},
    };
    for (const auto &c : cases) {
        const McpClientConfig::Command found = McpClientConfig::locate(c.appDir, "../libexec/marovel");
        EXPECT_EQ(found.path, c.expected.path) << c.what;
        EXPECT_EQ(found.found, c.expected.found) << c.what;
    }
    EXPECT_EQ(McpClientConfig::installedRelative(), "../libexec/marovel");

    // Not found: the installed place is named, with a note saying so.
    CollaborationStore store;
    auto page = makePage(store, cases[3].expected);
    EXPECT_TRUE(child<QLabel>(page.get(), "mcpConfiguration")->text().contains(cases[3].expected.path));
    EXPECT_TRUE(child(page.get(), "serverMissing")->isVisible());
}

TEST_F(Collaboration, ThePromptIsCopiedInTheInterfaceLanguage)
{
    const QString key = QStringLiteral(
        "你正在通过 Marovel 与用户协作管理本地文件。先调用 marovel_list_workspaces，只在用户授权的工作区内工作。用 "
        "directory_context、find_files 和 file_info 读取元数据；不要默认读取正文或扫描工作区外路径。对移动、改名、"
        "建目录只能调用 marovel_create_plan：向用户解释计划与影响，并等待明确确认。不要用 shell 的 mv、rm "
        "或直接修改 Marovel 数据。Marovel 原则：范围受限、计划先行、用户可见、可回退。");
    CollaborationStore store;
    auto page = makePage(store);
    click(child<QPushButton>(page.get(), "copyConfiguration"));
    click(child<QPushButton>(page.get(), "copyPrompt"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), key);
    EXPECT_EQ(page->copied(), "已复制协作说明");

    Loc::shared().setOverride(QStringLiteral("en"));
    auto english = makePage(store);
    EXPECT_TRUE(english->copied().isEmpty());
    click(child<QPushButton>(english.get(), "copyPrompt"));
    const QString prompt = QGuiApplication::clipboard()->text();
    EXPECT_EQ(prompt, L(key));
    EXPECT_NE(prompt, key);
    for (const char *tool : {"marovel_list_workspaces", "marovel_directory_context", "marovel_find_files",
                             "marovel_file_info", "marovel_create_plan"})
        EXPECT_TRUE(prompt.contains(QLatin1String(tool))) << tool;
    EXPECT_EQ(english->copied(), "Collaboration prompt copied");
}

TEST_F(Collaboration, WorkspacesAreListedInRegistryOrderWithTheirPathsAsTooltips)
{
    CollaborationStore store;
    auto page = makePage(store);
    EXPECT_EQ(child<QLabel>(page.get(), "workspaceCount")->text(), "已授权 0 个工作区");
    EXPECT_TRUE(child(page.get(), "noWorkspaceHint")->isVisible());
    EXPECT_TRUE(shown(page.get(), "workspaceRow").isEmpty());

    const QString beta = TestSupport::makeFolder("Beta <b>x & y");
    const QString alpha = TestSupport::makeFolder("Alpha");
    WorkspaceRegistry::shared().add(beta);
    WorkspaceRegistry::shared().add(alpha);
    click(child<QPushButton>(page.get(), "refreshWorkspaces"));
    ASSERT_TRUE(waitFor([&] { return shown(page.get(), "workspaceRow").size() == 2; }));
    EXPECT_EQ(workspaceNames(page.get()), (QStringList{"Beta <b>x & y", "Alpha"}));
    EXPECT_EQ(shown(page.get(), "workspaceRow").first()->toolTip(), QFileInfo(beta).canonicalFilePath());
    EXPECT_EQ(child<QLabel>(page.get(), "workspaceCount")->text(), "已授权 2 个工作区");
    EXPECT_FALSE(child(page.get(), "noWorkspaceHint")->isVisible());

    // "添加工作区…" asks the store's folder picker.
    const QString gamma = TestSupport::makeFolder("Gamma");
    store.setFolderPicker([&](const QString &, const QString &) { return std::optional<QString>(gamma); });
    click(child<QPushButton>(page.get(), "addWorkspace"));
    ASSERT_TRUE(waitFor([&] { return shown(page.get(), "workspaceRow").size() == 3; }));
    EXPECT_EQ(workspaceNames(page.get()).last(), "Gamma");
}

TEST_F(Collaboration, RemovingAWorkspaceThatIsAlreadyGoneShowsWhyAndKeepsTheList)
{
    WorkspaceRegistry::shared().add(TestSupport::makeFolder("Alpha"));
    WorkspaceRegistry::shared().add(TestSupport::makeFolder("Beta"));
    CollaborationStore store;
    auto page = makePage(store);
    ASSERT_EQ(workspaceNames(page.get()), (QStringList{"Alpha", "Beta"}));
    const QList<Workspace> listed = store.workspaces();

    WorkspaceRegistry::shared().remove(listed[0].id); // another window removed it
    click(child<QToolButton>(shown(page.get(), "workspaceRow")[0], "removeWorkspace"));
    auto *error = child<QLabel>(page.get(), "collaborationError");
    ASSERT_TRUE(waitFor([&] { return error->isVisible(); }));
    EXPECT_EQ(error->text(), L("未找到工作区：%@", listed[0].id));
    EXPECT_EQ(store.lastError(), error->text());
    EXPECT_EQ(workspaceNames(page.get()), (QStringList{"Alpha", "Beta"}));

    // A removal that works reloads the list, which clears the error.
    click(child<QToolButton>(shown(page.get(), "workspaceRow")[1], "removeWorkspace"));
    ASSERT_TRUE(waitFor([&] { return shown(page.get(), "workspaceRow").isEmpty(); }));
    EXPECT_FALSE(error->isVisible());
    EXPECT_TRUE(WorkspaceRegistry::shared().list().isEmpty());
}

TEST_F(Collaboration, JournalRecordsThatCannotBeReadAreCounted)
{
    QDir().mkpath(MarovelPaths::base());
    TestSupport::writeFile(MarovelPaths::journal(), "{\"id\":\"cut short\n");
    CollaborationStore store;
    auto page = makePage(store);
    auto *torn = child<QLabel>(page.get(), "tornRecords");
    ASSERT_TRUE(waitFor([&] { return torn->isVisible(); }));
    EXPECT_EQ(torn->text(), L("事务记录中有 %lld 条无法读取，已跳过。", qint64(1)));
}

} // namespace
