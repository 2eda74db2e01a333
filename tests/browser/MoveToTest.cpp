#include "FileOps.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

namespace {

using TestSupport::readFile;
using TestSupport::writeFile;

// Runs moveTo and gives the errno it failed with, or 0 with `path` set.
int tryMove(const QString &source, const QString &dir, const QString &name, NameClash clash,
            QString *path = nullptr)
{
    try {
        const QString result = FileOps::moveTo(source, dir, name, clash);
        if (path)
            *path = result;
        return 0;
    } catch (const FileOpsError &error) {
        EXPECT_FALSE(error.description().isEmpty());
        EXPECT_TRUE(error.completed().isEmpty());
        return error.code();
    }
}

TEST(MoveTo, RenamesAndMovesUnderTheGivenOrNextFreeName)
{
    const QString dir = TestSupport::makeFolder("moves");
    const QString other = TestSupport::makeFolder("moves/other");
    struct Case
    {
        const char *what;
        QString source;         // written with its own name as content
        QString targetDir;
        QString name;
        NameClash clash;
        QStringList taken;      // names in targetDir before the move
        QString expected;       // final path
    };
    const QList<Case> cases = {
        {"rename in place", dir + "/a.txt", dir, "b.txt", NameClash::Refuse, {}, dir + "/b.txt"},
        {"move and rename", dir + "/c.txt", other, "发票 2024.pdf", NameClash::Refuse, {},
         other + "/发票 2024.pdf"},
        {"target given with a trailing slash", dir + "/d.txt", other + "/", "d.txt",
         NameClash::NextFree, {}, other + "/d.txt"},
        {"next free name", dir + "/e.txt", other, "x.txt", NameClash::NextFree,
         {"x.txt", "x 2.txt"}, other + "/x 3.txt"},
        {"next free name without extension", dir + "/f", other, "notes", NameClash::NextFree,
         {"notes"}, other + "/notes 2"},
        {"already there", dir + "/g.txt", dir, "g.txt", NameClash::Refuse, {}, dir + "/g.txt"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(c.source, c.source.toUtf8());
        for (const QString &name : c.taken)
            writeFile(c.targetDir + "/" + name, "taken");
        QString path;
        ASSERT_EQ(tryMove(c.source, c.targetDir, c.name, c.clash, &path), 0);
        EXPECT_EQ(path, c.expected);
        EXPECT_EQ(readFile(path), c.source.toUtf8());
        for (const QString &name : c.taken)
            EXPECT_EQ(readFile(c.targetDir + "/" + name), "taken");
        if (path != c.source) {
            EXPECT_FALSE(QFileInfo::exists(c.source));
        }
    }
}

TEST(MoveTo, MovesAFolderWithItsContent)
{
    const QString dir = TestSupport::makeFolder("folders");
    writeFile(dir + "/Project/sub/inner.txt", "inner");
    TestSupport::makeFolder("folders/Archive");
    QString path;
    ASSERT_EQ(tryMove(dir + "/Project", dir + "/Archive", "Project 2023", NameClash::Refuse, &path), 0);
    EXPECT_EQ(path, dir + "/Archive/Project 2023");
    EXPECT_EQ(readFile(path + "/sub/inner.txt"), "inner");
    EXPECT_FALSE(QFileInfo::exists(dir + "/Project"));
}

TEST(MoveTo, RefusesTakenNamesAndBadRequestsWithoutTouchingAnything)
{
    const QString dir = TestSupport::makeFolder("refuse");
    writeFile(dir + "/a.txt", "mine");
    writeFile(dir + "/b.txt", "theirs");
    writeFile(dir + "/Folder/inside.txt", "inside");
    // A dangling symbolic link is a taken name as well.
    ASSERT_EQ(::symlink("/nonexistent", QFile::encodeName(dir + "/link.txt").constData()), 0);

    struct Case
    {
        const char *what;
        QString source;
        QString targetDir;
        QString name;
        NameClash clash;
        int error;
    };
    const QList<Case> cases = {
        {"taken name", dir + "/a.txt", dir, "b.txt", NameClash::Refuse, EEXIST},
        {"taken by a dangling link", dir + "/a.txt", dir, "link.txt", NameClash::Refuse, EEXIST},
        {"empty name", dir + "/a.txt", dir, "", NameClash::NextFree, EINVAL},
        {"dot", dir + "/a.txt", dir, ".", NameClash::NextFree, EINVAL},
        {"dot dot", dir + "/a.txt", dir, "..", NameClash::NextFree, EINVAL},
        {"slash in the name", dir + "/a.txt", dir, "x/y.txt", NameClash::NextFree, EINVAL},
        {"slash alone", dir + "/a.txt", dir, "/", NameClash::NextFree, EINVAL},
        {"the root", "/", dir, "root", NameClash::NextFree, EINVAL},
        {"a folder into itself", dir + "/Folder", dir + "/Folder", "Folder", NameClash::NextFree,
         EINVAL},
        {"missing source", dir + "/gone.txt", dir, "c.txt", NameClash::NextFree, ENOENT},
        {"missing target folder", dir + "/a.txt", dir + "/nowhere", "a.txt", NameClash::NextFree,
         ENOENT},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(tryMove(c.source, c.targetDir, c.name, c.clash), c.error);
        EXPECT_EQ(readFile(dir + "/a.txt"), "mine");
        EXPECT_EQ(readFile(dir + "/b.txt"), "theirs");
        EXPECT_EQ(readFile(dir + "/Folder/inside.txt"), "inside");
        EXPECT_EQ(QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(),
                  4);
    }
}

// A name taken between the check and the system call is never overwritten: Refuse fails,
// NextFree goes on to the next number.
TEST(MoveTo, ANameTakenMeanwhileIsNeverOverwritten)
{
    const QString dir = TestSupport::makeFolder("race");
    for (const NameClash clash : {NameClash::Refuse, NameClash::NextFree}) {
        const bool refuse = clash == NameClash::Refuse;
        SCOPED_TRACE(refuse ? "Refuse" : "NextFree");
        const QString target = TestSupport::makeFolder(refuse ? "race/refuse" : "race/next");
        writeFile(dir + "/a.txt", "mine");
        int calls = 0;
        FileOps::setBeforeCreateHook([&](const QString &destination) {
            if (calls++ == 0)
                writeFile(destination, "someone else's");
        });
        QString path;
        const int error = tryMove(dir + "/a.txt", target, "a.txt", clash, &path);
        FileOps::setBeforeCreateHook({});
        EXPECT_EQ(readFile(target + "/a.txt"), "someone else's");
        if (refuse) {
            EXPECT_EQ(error, EEXIST);
            EXPECT_EQ(readFile(dir + "/a.txt"), "mine");
        } else {
            ASSERT_EQ(error, 0);
            EXPECT_EQ(path, target + "/a 2.txt");
            EXPECT_EQ(readFile(path), "mine");
        }
    }
}

} // namespace
