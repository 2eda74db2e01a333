#include "FileSystem.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(FileSystem, MoveNeverReplacesAnExistingName)
{
    const QString dir = TestSupport::makeFolder("moves");
    TestSupport::writeFile(dir + "/a", "A");
    TestSupport::writeFile(dir + "/b", "B");
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(dir + "/dangling").constData()), 0);

    EXPECT_EQ(FileSystem::moveNoReplace(dir + "/a", dir + "/b"), EEXIST);
    EXPECT_EQ(FileSystem::moveNoReplace(dir + "/a", dir + "/dangling"), EEXIST);
    EXPECT_EQ(TestSupport::readFile(dir + "/a"), QByteArray("A"));
    EXPECT_EQ(TestSupport::readFile(dir + "/b"), QByteArray("B"));

    EXPECT_EQ(FileSystem::moveNoReplace(dir + "/a", dir + "/c"), 0);
    EXPECT_FALSE(FileSystem::exists(dir + "/a"));
    EXPECT_EQ(TestSupport::readFile(dir + "/c"), QByteArray("A"));
    EXPECT_EQ(FileSystem::moveNoReplace(dir + "/missing", dir + "/d"), ENOENT);
    EXPECT_TRUE(FileSystem::exists(dir + "/dangling"));
    EXPECT_FALSE(FileSystem::isDirectory(dir + "/dangling"));
}

TEST(FileSystem, MoveAcrossFileSystemsCopiesThenRemoves)
{
    // /dev/shm is a tmpfs of its own on Linux; /tmp may be on the same one, so the test
    // only runs where the two really differ.
    struct stat a, b;
    const QString source = TestSupport::makeFolder("xdev");
    if (::stat("/dev/shm", &b) != 0 || ::stat(QFile::encodeName(source).constData(), &a) != 0
        || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system here";

    TestSupport::writeFile(source + "/tree/inner/file.txt", "content");
    ASSERT_EQ(::chmod(QFile::encodeName(source + "/tree/inner/file.txt").constData(), 0640), 0);
    ASSERT_EQ(::symlink("inner/file.txt", QFile::encodeName(source + "/tree/link").constData()), 0);
    const QString target = QStringLiteral("/dev/shm/marovel-xdev-%1").arg(::getpid());

    ASSERT_EQ(FileSystem::moveNoReplace(source + "/tree", target), 0);
    EXPECT_FALSE(FileSystem::exists(source + "/tree"));
    EXPECT_EQ(TestSupport::readFile(target + "/inner/file.txt"), QByteArray("content"));
    EXPECT_EQ(QFileInfo(target + "/link").symLinkTarget(), target + "/inner/file.txt");
    struct stat info;
    ASSERT_EQ(::stat(QFile::encodeName(target + "/inner/file.txt").constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    // Back across, onto a name that is taken: refused, and nothing is lost.
    TestSupport::writeFile(source + "/taken", "mine");
    EXPECT_EQ(FileSystem::moveNoReplace(target, source + "/taken"), EEXIST);
    EXPECT_EQ(TestSupport::readFile(source + "/taken"), QByteArray("mine"));
    EXPECT_TRUE(FileSystem::exists(target + "/inner/file.txt"));
    QDir(target).removeRecursively();
}

TEST(FileSystem, AnInterruptedMoveAcrossFileSystemsLeavesNothingUnderTheFinalName)
{
    struct stat a, b;
    const QString source = TestSupport::makeFolder("xdev-cut");
    if (::stat("/dev/shm", &b) != 0 || ::stat(QFile::encodeName(source).constData(), &a) != 0
        || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system here";

    TestSupport::writeFile(source + "/big.bin", QByteArray(1 << 20, 'x')); // 16 chunks
    const QString folder = QStringLiteral("/dev/shm/marovel-xdev-cut-%1").arg(::getpid());
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString target = folder + "/big.bin";

    // Half-way through, the final name must not exist yet; then the copy is cancelled.
    int checks = 0;
    bool seenUnderFinalName = false;
    const auto cancelHalfWay = [&] {
        seenUnderFinalName = seenUnderFinalName || QFileInfo::exists(target);
        return ++checks > 8;
    };
    EXPECT_EQ(FileSystem::moveNoReplace(source + "/big.bin", target, cancelHalfWay), ECANCELED);
    EXPECT_GT(checks, 8);
    EXPECT_FALSE(seenUnderFinalName);
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
    EXPECT_EQ(QFileInfo(source + "/big.bin").size(), 1 << 20);

    // Uninterrupted, the whole file gets the name and no temporary copy stays.
    ASSERT_EQ(FileSystem::moveNoReplace(source + "/big.bin", target), 0);
    EXPECT_EQ(QFileInfo(target).size(), 1 << 20);
    EXPECT_EQ(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList({"big.bin"}));
    QDir(folder).removeRecursively();
}

TEST(FileSystem, AtomicWriteReplacesWholeFiles)
{
    const QString path = TestSupport::makeFolder("atomic") + "/file.json";
    EXPECT_EQ(FileSystem::writeAtomically(path, "first"), 0);
    EXPECT_EQ(FileSystem::writeAtomically(path, "second"), 0);
    EXPECT_EQ(TestSupport::readFile(path), QByteArray("second"));
    EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_NE(FileSystem::writeAtomically(TestSupport::root() + "/no/such/folder/x", "x"), 0);
}

TEST(FileSystem, CopyNeverReplacesAndCleansUpAfterItself)
{
    const QString dir = TestSupport::makeFolder("copies");
    TestSupport::writeFile(dir + "/tree/inner/file.txt", "content");
    ASSERT_EQ(::symlink("/etc", QFile::encodeName(dir + "/tree/outside").constData()), 0);
    TestSupport::writeFile(dir + "/taken/mine.txt", "mine");
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(dir + "/dangling").constData()), 0);

    EXPECT_EQ(FileSystem::copyNoReplace(dir + "/tree", dir + "/copy"), 0);
    EXPECT_EQ(TestSupport::readFile(dir + "/copy/inner/file.txt"), QByteArray("content"));
    EXPECT_TRUE(QFileInfo(dir + "/copy/outside").isSymLink());

    // Taken names, a folder and a dangling link included, are refused and left as they are.
    EXPECT_EQ(FileSystem::copyNoReplace(dir + "/tree", dir + "/taken"), EEXIST);
    EXPECT_EQ(QDir(dir + "/taken").entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList({"mine.txt"}));
    EXPECT_EQ(FileSystem::copyNoReplace(dir + "/tree/inner/file.txt", dir + "/dangling"), EEXIST);
    EXPECT_TRUE(QFileInfo(dir + "/dangling").isSymLink());

    // A part that cannot be copied (a pipe) fails the copy, and the partial copy goes.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir + "/tree/pipe").constData(), 0600), 0);
    EXPECT_EQ(FileSystem::copyNoReplace(dir + "/tree", dir + "/second"), ENOTSUP);
    EXPECT_FALSE(FileSystem::exists(dir + "/second"));
    EXPECT_EQ(FileSystem::copyNoReplace(dir + "/missing", dir + "/third"), ENOENT);
}

TEST(FileSystem, RemoveTreeNeverFollowsLinks)
{
    const QString outside = TestSupport::makeFolder("outside");
    TestSupport::writeFile(outside + "/keep.txt", "keep");
    const QString dir = TestSupport::makeFolder("doomed");
    TestSupport::writeFile(dir + "/a/b/c.txt", "c");
    ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(),
                        QFile::encodeName(dir + "/a/link").constData()), 0);
    const QString topLink = TestSupport::root() + "/top-link";
    ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(), QFile::encodeName(topLink).constData()), 0);

    EXPECT_EQ(FileSystem::removeTree(topLink), 0); // the link only
    EXPECT_FALSE(FileSystem::exists(topLink));
    EXPECT_EQ(FileSystem::removeTree(dir), 0);
    EXPECT_FALSE(FileSystem::exists(dir));
    EXPECT_EQ(TestSupport::readFile(outside + "/keep.txt"), QByteArray("keep"));
    EXPECT_EQ(FileSystem::removeTree(dir), ENOENT);
}

} // namespace

TEST(FileSystem, TildeExpandsAsAShellDoes)
{
    const QString home = QDir::homePath();
    // root exists on every system this runs on; its home comes from the user database.
    const struct { QString in, out; } cases[] = {
        {"~", home},
        {"~/Downloads", home + "/Downloads"},
        {"~root", "/root"},
        {"~root/x y", "/root/x y"},
        {"~no-such-user-here/a", "~no-such-user-here/a"},
        {" ~/Downloads", " ~/Downloads"}, // only a leading tilde counts
        {"/tmp/~", "/tmp/~"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FileSystem::expandTilde(c.in), c.out) << c.in.toStdString();
}
