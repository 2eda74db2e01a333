#include "Trash.h"
#include "DisplayHelpers.h"
#include "FilesTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

using FilesTest::namesIn;

void link(const QString &target, const QString &path)
{
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()),
              0);
}

TEST(Trash, ThreeFilesGoToTheTrashAndComeBack)
{
    const QString dir = TestSupport::makeFolder("work");
    const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + "/Trash";
    EXPECT_EQ(Trash::homeTrash(), trash);
    EXPECT_EQ(trashURL(), trash + "/files");

    QStringList originals, trashed;
    for (const char *name : {"a.txt", "b.pdf", "Folder"}) {
        const QString path = dir + "/" + name;
        if (QByteArray(name) == "Folder")
            TestSupport::writeFile(path + "/inner.txt", "inner");
        else
            TestSupport::writeFile(path, name);
        const std::optional<QString> inTrash = Trash::moveToTrash(path);
        ASSERT_TRUE(inTrash) << name;
        EXPECT_TRUE(inTrash->startsWith(trash + "/files/")) << inTrash->toStdString();
        EXPECT_FALSE(QFileInfo::exists(path));
        EXPECT_EQ(Trash::originalPath(*inTrash), path);
        originals << path;
        trashed << *inTrash;
    }
    EXPECT_EQ(namesIn(trash + "/info").size(), 3);
    EXPECT_EQ(Trash::itemCount({}), 3);

    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Trash::restore(trashed[i], originals[i]), 0);
    EXPECT_EQ(TestSupport::readFile(dir + "/a.txt"), "a.txt");
    EXPECT_EQ(TestSupport::readFile(dir + "/Folder/inner.txt"), "inner");
    EXPECT_TRUE(namesIn(trash + "/files").isEmpty());
    EXPECT_TRUE(namesIn(trash + "/info").isEmpty());

    QString error;
    EXPECT_FALSE(Trash::moveToTrash(dir + "/missing.txt", &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(Trash, RestoreNeverReplacesTheNewOwnerOfTheName)
{
    const QString dir = TestSupport::makeFolder("work");
    TestSupport::writeFile(dir + "/a.txt", "old");
    const std::optional<QString> inTrash = Trash::moveToTrash(dir + "/a.txt");
    ASSERT_TRUE(inTrash);
    TestSupport::writeFile(dir + "/a.txt", "new");

    EXPECT_EQ(Trash::restore(*inTrash, dir + "/a.txt"), EEXIST);
    EXPECT_EQ(TestSupport::readFile(dir + "/a.txt"), "new");
    EXPECT_EQ(TestSupport::readFile(*inTrash), "old");
    EXPECT_EQ(Trash::originalPath(*inTrash), dir + "/a.txt"); // still restorable later
}

TEST(Trash, RestoringAnItemInsideATrashedFolderKeepsOtherRecords)
{
    const QString dir = TestSupport::makeFolder("nested");
    TestSupport::writeFile(dir + "/box/sub", "inside the box");
    TestSupport::writeFile(dir + "/sub", "a file of its own");
    const std::optional<QString> box = Trash::moveToTrash(dir + "/box");
    const std::optional<QString> sub = Trash::moveToTrash(dir + "/sub");
    ASSERT_TRUE(box && sub);

    EXPECT_EQ(Trash::restore(*box + "/sub", dir + "/restored-sub"), 0);
    EXPECT_EQ(Trash::originalPath(*sub), dir + "/sub"); // its record is still there
    EXPECT_EQ(Trash::originalPath(*box), dir + "/box");
}

TEST(Trash, EmptyingRemovesEverythingAndFollowsNoLink)
{
    const QString outside = TestSupport::makeFolder("precious");
    TestSupport::writeFile(outside + "/keep.txt", "keep");
    TestSupport::writeFile(outside + "/sub/keep2.txt", "keep");

    // The home trash, filled through the real trash operation and by hand with links.
    const QString work = TestSupport::makeFolder("work");
    TestSupport::writeFile(work + "/doc.txt", "doc");
    TestSupport::writeFile(work + "/Tree/a/b/c.txt", "c");
    ASSERT_TRUE(Trash::moveToTrash(work + "/doc.txt"));
    ASSERT_TRUE(Trash::moveToTrash(work + "/Tree"));
    const QString files = Trash::filesFolder();
    link(outside, files + "/link-to-folder");
    QDir().mkpath(files + "/holder");
    link(outside + "/sub", files + "/holder/inner-link");

    // A volume with its own trash folder, and one whose trash folder is a link elsewhere.
    const QString volume = TestSupport::makeFolder("volume");
    const QString uid = QString::number(::getuid());
    TestSupport::writeFile(volume + "/.Trash-" + uid + "/files/v.txt", "v");
    TestSupport::writeFile(volume + "/.Trash-" + uid + "/info/v.txt.trashinfo", "[Trash Info]\n");
    const QString linked = TestSupport::makeFolder("linked-volume");
    link(outside, linked + "/.Trash-" + uid);

    const QStringList volumes{volume, linked};
    EXPECT_EQ(Trash::trashFolders(volumes),
              QStringList({Trash::homeTrash(), volume + "/.Trash-" + uid}));
    EXPECT_EQ(Trash::itemCount(volumes), 5);
    EXPECT_EQ(Trash::empty(volumes), 0);

    EXPECT_TRUE(namesIn(files).isEmpty());
    EXPECT_TRUE(namesIn(Trash::homeTrash() + "/info").isEmpty());
    EXPECT_TRUE(namesIn(volume + "/.Trash-" + uid + "/files").isEmpty());
    EXPECT_TRUE(namesIn(volume + "/.Trash-" + uid + "/info").isEmpty());
    EXPECT_EQ(TestSupport::readFile(outside + "/keep.txt"), "keep");
    EXPECT_EQ(TestSupport::readFile(outside + "/sub/keep2.txt"), "keep");
    EXPECT_EQ(Trash::itemCount(volumes), 0);
}

// An item that cannot be removed is counted; the rest still goes. The file is made
// immutable, which stops even the superuser.
TEST(Trash, EmptyingCountsWhatCouldNotBeRemoved)
{
    const QString files = Trash::filesFolder();
    TestSupport::writeFile(files + "/stuck/file.txt", "stuck");
    TestSupport::writeFile(files + "/free.txt", "free");
    const QByteArray stuck = QFile::encodeName(files + "/stuck/file.txt");
    const int fd = ::open(stuck.constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        ::close(fd);
        GTEST_SKIP() << "no file attributes here";
    }
    flags |= FS_IMMUTABLE_FL;
    if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0) {
        ::close(fd);
        GTEST_SKIP() << "cannot make a file immutable here";
    }

    const int failed = Trash::empty({});
    flags &= ~FS_IMMUTABLE_FL;
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    ::close(fd);

    EXPECT_EQ(failed, 1);
    EXPECT_EQ(namesIn(files), QStringList({"stuck"}));
}

} // namespace
