#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "FileOps.h"
#include "FileSystem.h"
#include "Localization.h"
#include "PaneState.h"
#include "Trash.h"
#include "UndoLog.h"
#include "UndoRecorder.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

using namespace BrowserTest;

namespace {

class Clipboard : public testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        QGuiApplication::clipboard()->clear();
    }

    // A browser whose active pane shows `folder` with `selected` (names) selected.
    static void show(BrowserState &browser, const QString &folder, const QStringList &selected = {})
    {
        browser.activePane()->go(folder, false);
        settle();
        QSet<QString> paths;
        for (const QString &name : selected)
            paths << folder + '/' + name;
        browser.activePane()->setSelection(paths);
    }

    static QStringList entries(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }

    static qsizetype logLines()
    {
        UndoRecorder::shared().flush();
        QFile log(UndoLog::shared().path());
        return log.open(QIODevice::ReadOnly) ? log.readAll().count('\n') : 0;
    }

    static void putOnClipboard(const QStringList &paths)
    {
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        auto *data = new QMimeData;
        data->setUrls(urls);
        QGuiApplication::clipboard()->setMimeData(data);
    }
};

TEST_F(Clipboard, CopyWritesWhatOtherFileManagersRead)
{
    const QString dir = makeTree("clip/other", {"a.txt", "b c.txt"});
    BrowserState browser;
    show(browser, dir, {"a.txt", "b c.txt"});

    browser.copySel();
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->urls(), (QList<QUrl>{QUrl::fromLocalFile(dir + "/a.txt"), QUrl::fromLocalFile(dir + "/b c.txt")}));
    EXPECT_EQ(data->data("x-special/gnome-copied-files"),
              "copy\n" + QUrl::fromLocalFile(dir + "/a.txt").toEncoded() + "\n" +
                  QUrl::fromLocalFile(dir + "/b c.txt").toEncoded());
    EXPECT_EQ(browser.status(), "已复制 2 项");
    EXPECT_TRUE(browser.cutSet().isEmpty());

    browser.cutSel();
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->data("x-special/gnome-copied-files").startsWith("cut\n"));
    EXPECT_EQ(browser.cutSet().size(), 2);
    EXPECT_EQ(browser.status(), "已剪切 2 项");

    browser.copyPath();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), dir + "/a.txt\n" + dir + "/b c.txt");
    EXPECT_EQ(browser.status(), "已拷贝路径");
    EXPECT_EQ(browser.cutSet().size(), 2); // copying paths keeps the cut

    // Nothing selected: clipboard, cut and status untouched.
    browser.activePane()->setSelection({});
    browser.setStatus("x");
    browser.copySel();
    browser.cutSel();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), dir + "/a.txt\n" + dir + "/b c.txt");
    EXPECT_EQ(browser.cutSet().size(), 2);
    EXPECT_EQ(browser.status(), "x");
}

TEST_F(Clipboard, CutAndPasteMovesAndUndoMovesBack)
{
    const QString from = makeTree("clip/cut/from", {"a.txt", "b.txt"});
    const QString to = makeTree("clip/cut/to", {});
    BrowserState browser;
    show(browser, from, {"a.txt", "b.txt"});
    browser.cutSel();
    show(browser, to);
    browser.paste();
    settle();
    EXPECT_EQ(entries(to), (QStringList{"a.txt", "b.txt"}));
    EXPECT_TRUE(entries(from).isEmpty());
    EXPECT_EQ(browser.status(), "已移动 2 项");
    EXPECT_TRUE(browser.cutSet().isEmpty());
    EXPECT_EQ(browser.activePane()->selection(), (QSet<QString>{to + "/a.txt", to + "/b.txt"}));
    EXPECT_EQ(browser.undoName(), "移动");

    browser.performUndo();
    settle();
    EXPECT_EQ(entries(from), (QStringList{"a.txt", "b.txt"}));
    EXPECT_TRUE(entries(to).isEmpty());
}

TEST_F(Clipboard, OnlyTheExactCutSetMoves)
{
    const QString from = makeTree("clip/exact/from", {"a.txt", "b.txt", "c.txt"});
    const QString to = makeTree("clip/exact/to", {});
    BrowserState browser;

    // Cut A and B, but the clipboard now holds only A: A is copied.
    show(browser, from, {"a.txt", "b.txt"});
    browser.cutSel();
    putOnClipboard({from + "/a.txt"});
    show(browser, to);
    browser.paste();
    settle();
    EXPECT_EQ(entries(to), QStringList{"a.txt"});
    EXPECT_TRUE(QFile::exists(from + "/a.txt"));
    EXPECT_EQ(browser.status(), "已粘贴 1 项");

    // Cut, then copy C: the copy empties the cut, so C is copied.
    show(browser, from, {"a.txt", "b.txt"});
    browser.cutSel();
    show(browser, from, {"c.txt"});
    browser.copySel();
    show(browser, to);
    browser.paste();
    settle();
    EXPECT_TRUE(QFile::exists(from + "/c.txt"));
    EXPECT_TRUE(QFile::exists(to + "/c.txt"));

    // Files from another application move when the move is forced.
    putOnClipboard({from + "/b.txt"});
    browser.paste(true);
    settle();
    EXPECT_FALSE(QFile::exists(from + "/b.txt"));
    EXPECT_TRUE(QFile::exists(to + "/b.txt"));

    // Another file manager's list alone is read as well; non-file URLs are ignored.
    auto *data = new QMimeData;
    data->setData("x-special/gnome-copied-files",
                  "copy\n" + QUrl::fromLocalFile(from + "/c.txt").toEncoded() + "\nhttps://example.org/x");
    QGuiApplication::clipboard()->setMimeData(data);
    browser.paste();
    settle();
    EXPECT_TRUE(QFile::exists(to + "/c 2.txt"));
    EXPECT_EQ(browser.status(), "已粘贴 1 项");
}

TEST_F(Clipboard, PasteIntoItsOwnFolderNumbersAndUndoTrashesTheCopy)
{
    const QString dir = makeTree("clip/self", {"report.pdf"});
    BrowserState browser;
    show(browser, dir, {"report.pdf"});
    browser.copySel();
    const qsizetype logBefore = logLines();
    browser.paste();
    settle();
    EXPECT_EQ(entries(dir), (QStringList{"report 2.pdf", "report.pdf"}));
    EXPECT_EQ(browser.undoName(), "粘贴");
    EXPECT_EQ(logLines(), logBefore + 1); // logged as a copy step

    browser.performUndo();
    settle();
    EXPECT_EQ(entries(dir), QStringList{"report.pdf"});
    EXPECT_TRUE(QFile::exists(Trash::filesFolder() + "/report 2.pdf"));
}

TEST_F(Clipboard, APasteFailingAtTheThirdItemKeepsAnUndoForTheFirstTwo)
{
    const QString from = makeTree("clip/partial/from", {"1.txt", "2.txt", "3.txt", "4.txt", "5.txt"});
    const QString to = makeTree("clip/partial/to", {});
    BrowserState browser;
    show(browser, from, {"1.txt", "2.txt", "3.txt", "4.txt", "5.txt"});
    browser.cutSel();
    QFile::remove(from + "/3.txt"); // gone before the paste reaches it
    show(browser, to);
    browser.paste();
    settle();
    EXPECT_EQ(entries(to), (QStringList{"1.txt", "2.txt"}));
    EXPECT_TRUE(browser.status().startsWith("粘贴了 2 项后失败：")) << browser.status().toStdString();
    EXPECT_EQ(browser.cutSet().size(), 5); // the cut stays for another try
    EXPECT_EQ(browser.activePane()->selection(), (QSet<QString>{to + "/1.txt", to + "/2.txt"}));
    ASSERT_EQ(browser.undoName(), "移动");

    browser.performUndo();
    settle();
    EXPECT_EQ(entries(from), (QStringList{"1.txt", "2.txt", "4.txt", "5.txt"}));
    EXPECT_TRUE(entries(to).isEmpty());

    // Failing at the first item: the Part's text, no undo step.
    const qsizetype steps = browser.undoStack().size();
    putOnClipboard({from + "/missing.txt"});
    browser.paste();
    settle();
    EXPECT_TRUE(browser.status().startsWith("粘贴失败：")) << browser.status().toStdString();
    EXPECT_EQ(browser.undoStack().size(), steps);
}

TEST_F(Clipboard, RenameChecksInOrder)
{
    const QString dir = makeTree("clip/rename", {"report.pdf", "other.pdf"});
    BrowserState browser;
    show(browser, dir);
    const QString report = dir + "/report.pdf";
    const QString decomposed = QString("re\u0301sume\u0301.pdf");
    makeFile(dir + "/" + decomposed.normalized(QString::NormalizationForm_C));

    const struct
    {
        QString path;
        QString name;
        QString status;
    } cases[] = {
        {report, "  ", "名字不合法（不能含 / 或 :）"},
        {report, "a/b.pdf", "名字不合法（不能含 / 或 :）"},
        {report, "a:b.pdf", "名字不合法（不能含 / 或 :）"},
        {report, "..", "名字不合法（不能含 / 或 :）"},
        {report, QString("a") + QChar(0) + "b", "名字不合法（不能含 / 或 :）"},
        {report, " report.pdf \n", "已经是这个名字了"},
        {dir + "/" + decomposed.normalized(QString::NormalizationForm_C), decomposed, "已经是这个名字了"},
        {dir + "/gone.pdf", "new.pdf", "原文件已不在（可能已移动/改名），请刷新"},
        {report, "other.pdf", "已存在同名文件：other.pdf"},
    };
    for (const auto &c : cases) {
        browser.rename(c.path, c.name);
        settle();
        EXPECT_EQ(browser.status(), c.status) << c.name.toStdString();
    }
    EXPECT_TRUE(browser.undoStack().isEmpty());
    EXPECT_TRUE(QFile::exists(report));

    browser.rename(report, " final.pdf ");
    settle();
    EXPECT_EQ(browser.status(), "已重命名为 final.pdf");
    EXPECT_TRUE(QFile::exists(dir + "/final.pdf"));
    EXPECT_EQ(browser.activePane()->selection(), QSet<QString>{dir + "/final.pdf"});
    EXPECT_EQ(browser.undoName(), "重命名");
    browser.performUndo();
    settle();
    EXPECT_TRUE(QFile::exists(report));
    EXPECT_FALSE(QFile::exists(dir + "/final.pdf"));
}

TEST_F(Clipboard, ANameTakenAfterTheCheckIsNotReplaced)
{
    const QString dir = makeTree("clip/race", {"a.txt"});
    QFile file(dir + "/a.txt");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("mine");
    file.close();
    BrowserState browser;
    show(browser, dir);
    FileOps::setBeforeCreateHook([](const QString &destination) {
        QFile taken(destination);
        if (taken.open(QIODevice::WriteOnly))
            taken.write("theirs");
    });
    browser.rename(dir + "/a.txt", "b.txt");
    settle();
    FileOps::setBeforeCreateHook({});
    EXPECT_EQ(browser.status(), "已存在同名文件：b.txt");
    QFile b(dir + "/b.txt");
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    EXPECT_EQ(b.readAll(), "theirs");
    EXPECT_TRUE(QFile::exists(dir + "/a.txt"));
    EXPECT_TRUE(browser.undoStack().isEmpty());
}

TEST_F(Clipboard, InlineRenameAppliesQuietly)
{
    const QString dir = makeTree("clip/inline", {"a.txt", "b.txt"});
    BrowserState browser;
    show(browser, dir);
    for (const QString &text : {QString(" "), QString("a.txt"), QString("x/y"), QString("x:y")}) {
        browser.setEditingRename(dir + "/a.txt");
        browser.setRenameText(text);
        browser.commitRename();
        settle();
        EXPECT_TRUE(browser.editingRename().isEmpty());
        EXPECT_TRUE(browser.status().isEmpty()) << text.toStdString();
    }
    browser.setEditingRename(dir + "/a.txt");
    browser.setRenameText("b.txt");
    browser.commitRename();
    settle();
    EXPECT_EQ(browser.status(), "已存在同名");
    EXPECT_TRUE(QFile::exists(dir + "/a.txt"));

    browser.setEditingRename(dir + "/a.txt");
    browser.setRenameText(" c.txt ");
    browser.commitRename();
    settle();
    EXPECT_TRUE(QFile::exists(dir + "/c.txt"));
    EXPECT_EQ(browser.undoName(), "重命名");
    EXPECT_EQ(browser.activePane()->selection(), QSet<QString>{dir + "/c.txt"});

    browser.setEditingRename(dir + "/gone.txt");
    browser.setRenameText("d.txt");
    browser.commitRename();
    settle();
    EXPECT_EQ(browser.status(), "重命名失败");
    browser.commitRename(); // no editor open: nothing
    EXPECT_EQ(browser.status(), "重命名失败");
}

TEST_F(Clipboard, NewFolderTakesTheFirstFreeName)
{
    const QString dir = makeTree("clip/newfolder", {"未命名文件夹/", "未命名文件夹 2/"});
    BrowserState browser;
    show(browser, dir);
    browser.newFolder();
    settle();
    EXPECT_TRUE(QFileInfo(dir + "/未命名文件夹 3").isDir());
    EXPECT_EQ(browser.editingRename(), dir + "/未命名文件夹 3");
    EXPECT_EQ(browser.renameText(), "未命名文件夹 3");
    EXPECT_TRUE(browser.undoStack().isEmpty());

    // With nothing selected, "new folder with selection" is a plain new folder.
    browser.newFolderWithSelection();
    settle();
    EXPECT_TRUE(QFileInfo(dir + "/未命名文件夹 4").isDir());
}

TEST_F(Clipboard, NewFolderWithSelectionMovesAndEnters)
{
    const QString dir = makeTree("clip/withsel", {"a.txt", "b.txt", "c.txt", "新建文件夹/"});
    BrowserState browser;
    show(browser, dir, {"a.txt", "b.txt"});
    browser.newFolderWithSelection();
    settle();
    const QString made = dir + "/新建文件夹 2";
    EXPECT_EQ(entries(made), (QStringList{"a.txt", "b.txt"}));
    EXPECT_EQ(browser.activePane()->current(), made);
    EXPECT_EQ(browser.activePane()->back().last(), dir);
    EXPECT_TRUE(browser.status().isEmpty());

    // A selected item that vanished is reported; the rest still moved.
    show(browser, made, {"a.txt", "gone.txt"});
    browser.newFolderWithSelection();
    settle();
    EXPECT_TRUE(browser.status().startsWith("移入新文件夹失败：")) << browser.status().toStdString();
    EXPECT_EQ(entries(made + "/新建文件夹"), QStringList{"a.txt"});
}

} // namespace
