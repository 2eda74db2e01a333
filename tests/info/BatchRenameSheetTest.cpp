// The batch-rename sheet through its widgets on a real window: the rule's values reach the
// window model exactly as typed, the list's suggestions follow, and applying them renames
// without overwriting, as one undo step.
#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "PaneState.h"
#include "WindowTestSupport.h"
#include "sheets/BatchRenameSheet.h"
#include "window/ContentView.h"
#include "window/SheetPresenter.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace BrowserTest;

namespace {

const SheetPresenter::Flag batchFlag{&BrowserState::showBatchRename, &BrowserState::setShowBatchRename,
                                     &BrowserState::showBatchRenameChanged};

struct Rule
{
    QString find, replace, prefix;
    bool addSeq = false;
};

class BatchRenameSheet : public testing::Test
{
protected:
    BatchRenameSheet() : language(QStringLiteral("zh-Hans")) {}
    ~BatchRenameSheet() override
    {
        delete view;
        settle();
    }

    void openFolder(const QString &folder)
    {
        state.activePane()->go(folder, false);
        settle();
        if (!view) {
            view = new ContentView(state);
            view->resize(1280, 800);
            view->show();
        }
    }
    // Opens the sheet from the AI bar.
    BatchRenameDialog *open()
    {
        view->findChild<QPushButton *>(QStringLiteral("batchRename"))->click();
        return qobject_cast<BatchRenameDialog *>(view->sheets().shown(batchFlag));
    }
    // Types the rule into a new sheet and presses Return in the find field.
    void generate(const Rule &rule)
    {
        BatchRenameDialog *dialog = open();
        ASSERT_TRUE(dialog);
        QTest::keyClicks(dialog->findChild<QLineEdit *>("replaceField"), rule.replace);
        QTest::keyClicks(dialog->findChild<QLineEdit *>("prefixField"), rule.prefix);
        dialog->findChild<QCheckBox *>("addSeqToggle")->setChecked(rule.addSeq);
        QTest::keyClicks(dialog->findChild<QLineEdit *>("findField"), rule.find);
        QTest::keyClick(dialog->findChild<QLineEdit *>("findField"), Qt::Key_Return);
        settle();
        EXPECT_EQ(view->sheets().shown(batchFlag), nullptr) << "the sheet closes";
    }
    // name → suggestion of the files and folders that have one, and the ticked ones.
    QMap<QString, QString> suggestions()
    {
        QMap<QString, QString> found;
        for (const FileItem &item : state.activePane()->items()) {
            if (item.suggestion) {
                found.insert(item.name, *item.suggestion);
                EXPECT_TRUE(item.accept) << item.name.toStdString();
            }
        }
        return found;
    }
    QStringList onDisk(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }

    ScopedLanguage language;
    BrowserState state;
    ContentView *view = nullptr;
};

TEST_F(BatchRenameSheet, RulesMakeTheSuggestionsOfTheList)
{
    using Map = QMap<QString, QString>;
    const struct
    {
        QStringList files;
        Rule rule;
        Map expected;
    } cases[] = {
        {{"a.txt", "b.pdf"}, {}, Map{}}, // every name stays: no suggestion
        {{"a.txt", "b.pdf", "sub/"}, {"", "", "", true}, Map{{"a.txt", "a_001.txt"}, {"b.pdf", "b_002.pdf"}}},
        {{"IMG_1.jpg", "x.IMG", "IMGIMG.png"}, {"IMG", "", "", false}, Map{{"IMG_1.jpg", "_1.jpg"}, {"IMGIMG.png", ".png"}}},
        {{"a.txt"}, {"a", "b", "a", false}, Map{{"a.txt", "ab.txt"}}},
        {{"Photo.JPG", "photo.jpg"}, {"photo", "pic", "", false}, Map{{"photo.jpg", "pic.jpg"}}}, // case-sensitive
    };
    int n = 0;
    for (const auto &c : cases) {
        openFolder(makeTree(QStringLiteral("rules/%1").arg(++n), c.files));
        generate(c.rule);
        EXPECT_EQ(suggestions(), c.expected) << "case " << n;
        EXPECT_EQ(state.status(), "批量规则已生成建议，检查后点应用");
    }
}

TEST_F(BatchRenameSheet, CancelChangesNothingAndEachSheetStartsEmpty)
{
    openFolder(makeTree("cancel", {"a.txt", "b.txt"}));
    generate({"", "", "p-", false});
    const auto before = suggestions();
    EXPECT_EQ(before.size(), 2);

    BatchRenameDialog *dialog = open();
    for (const char *name : {"findField", "replaceField", "prefixField"})
        EXPECT_TRUE(dialog->findChild<QLineEdit *>(name)->text().isEmpty()) << name;
    EXPECT_FALSE(dialog->findChild<QCheckBox *>("addSeqToggle")->isChecked());
    EXPECT_TRUE(dialog->findChild<QPushButton *>("generateButton")->isDefault());
    QTest::keyClicks(dialog->findChild<QLineEdit *>("prefixField"), "zzz");
    dialog->findChild<QPushButton *>("cancelButton")->click();
    settle();
    EXPECT_FALSE(state.showBatchRename());
    EXPECT_EQ(view->sheets().shown(batchFlag), nullptr);
    EXPECT_EQ(suggestions(), before);
}

TEST_F(BatchRenameSheet, ApplyingNeverOverwritesAndUndoesInOneStep)
{
    const QString dir = makeTree("apply", {"a.txt", "b.txt"});
    makeFile(dir + "/b.txt", 7);
    openFolder(dir);
    generate({"b", "a", "", false});
    EXPECT_EQ(suggestions(), (QMap<QString, QString>{{"b.txt", "a.txt"}}));

    auto *apply = view->findChild<QPushButton *>(QStringLiteral("applyRenames"));
    ASSERT_TRUE(apply->isVisible() && apply->isEnabled());
    apply->click();
    ASSERT_TRUE(waitFor([&] { return !state.applying(); }));
    settle();
    EXPECT_EQ(onDisk(dir), (QStringList{"a 2.txt", "a.txt"}));
    EXPECT_EQ(QFileInfo(dir + "/a 2.txt").size(), 7) << "b.txt became a 2.txt";
    EXPECT_EQ(QFileInfo(dir + "/a.txt").size(), 0) << "a.txt untouched";
    ASSERT_EQ(state.undoStack().size(), 1);

    view->findChild<QPushButton *>(QStringLiteral("undoStep"))->click();
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(dir + "/b.txt"); }));
    settle();
    EXPECT_EQ(onDisk(dir), (QStringList{"a.txt", "b.txt"}));
}

TEST_F(BatchRenameSheet, APrefixWithASlashMovesNothing)
{
    const QString dir = makeTree("slash", {"a.txt", "sub/"});
    openFolder(dir);
    generate({"", "", "sub/", false});
    EXPECT_EQ(suggestions(), (QMap<QString, QString>{{"a.txt", "sub/a.txt"}}));
    view->findChild<QPushButton *>(QStringLiteral("applyRenames"))->click();
    ASSERT_TRUE(waitFor([&] { return !state.applying(); }));
    settle();
    EXPECT_EQ(onDisk(dir), (QStringList{"a.txt", "sub"}));
    EXPECT_TRUE(onDisk(dir + "/sub").isEmpty());
    EXPECT_EQ(state.status(), "1 个名字无效，已跳过");
    EXPECT_TRUE(state.undoStack().isEmpty());
}

} // namespace
