// File systems this machine cannot mount, imitated by replacing libc calls inside this test
// executable alone: a volume that ignores letter case, and one without RENAME_NOREPLACE.
#include "FileOps.h"
#include "FileOpsError.h"
#include "FileSystem.h"
#include "FilesTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::string caselessVolume; // folders below it clash when their names differ in case only
int foldersMadeOnVolume = 0;
std::string volumeWithoutNoReplace;
std::string savedMeanwhile; // another program writes this file during a plain rename
bool renamedOverAFile = false;

} // namespace

extern "C" int mkdir(const char *path, mode_t mode)
{
    const std::string p(path);
    if (!caselessVolume.empty() && p.rfind(caselessVolume + "/", 0) == 0) {
        const std::string parent = p.substr(0, p.rfind('/'));
        const std::string name = p.substr(p.rfind('/') + 1);
        if (parent == caselessVolume && ++foldersMadeOnVolume > 20) {
            errno = ENOSPC; // the stick is full: ends a runaway loop of attempts
            return -1;
        }
        if (DIR *dir = ::opendir(parent.c_str())) {
            while (dirent *entry = ::readdir(dir)) {
                if (!strcasecmp(entry->d_name, name.c_str())) {
                    ::closedir(dir);
                    errno = EEXIST;
                    return -1;
                }
            }
            ::closedir(dir);
        }
    }
    return int(::syscall(SYS_mkdirat, AT_FDCWD, path, mode));
}

extern "C" int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned flags)
{
    if (flags && !volumeWithoutNoReplace.empty()
        && std::string(to).rfind(volumeWithoutNoReplace, 0) == 0) {
        errno = EINVAL;
        return -1;
    }
    return int(::syscall(SYS_renameat2, fromDir, from, toDir, to, flags));
}

extern "C" int rename(const char *from, const char *to)
{
    if (!savedMeanwhile.empty() && savedMeanwhile == to) {
        const int fd = ::open(to, O_WRONLY | O_TRUNC);
        if (fd >= 0) {
            (void)!::write(fd, "someone else's document", 23);
            ::close(fd);
        }
    }
    struct stat info;
    if (!volumeWithoutNoReplace.empty() && ::lstat(to, &info) == 0 && !S_ISDIR(info.st_mode))
        renamedOverAFile = true;
    return int(::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, 0));
}

namespace {

TEST(FileSystemFaults, MoveToACaselessVolumeLeavesNoPartialCopies)
{
    const QString source = TestSupport::makeFolder("caseless-src");
    TestSupport::writeFile(source + "/tree/Docs/a.txt", "a");
    TestSupport::writeFile(source + "/tree/docs/b.txt", "b");
    struct stat here, shm;
    if (::stat("/dev/shm", &shm) != 0 || ::stat(QFile::encodeName(source).constData(), &here) != 0
        || here.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system here";
    const QString stick = QStringLiteral("/dev/shm/marovel-stick-%1").arg(::getpid());
    ASSERT_TRUE(QDir().mkpath(stick));

    caselessVolume = QFile::encodeName(stick).toStdString();
    EXPECT_THROW(FileOps::move({source + "/tree"}, stick), FileOpsError);
    caselessVolume.clear();

    EXPECT_TRUE(FilesTest::namesIn(stick).isEmpty());
    EXPECT_EQ(TestSupport::readFile(source + "/tree/Docs/a.txt"), "a");
    EXPECT_EQ(TestSupport::readFile(source + "/tree/docs/b.txt"), "b");
    QDir(stick).removeRecursively();
}

TEST(FileSystemFaults, FallbackMoveNeverRenamesOverAFile)
{
    const QString dir = TestSupport::makeFolder("fallback");
    TestSupport::writeFile(dir + "/mine.txt", "moved file");
    TestSupport::writeFile(dir + "/taken.txt", "theirs");
    volumeWithoutNoReplace = QFile::encodeName(dir).toStdString();
    savedMeanwhile = QFile::encodeName(dir + "/target.txt").toStdString();

    const int moved = FileSystem::moveNoReplace(dir + "/mine.txt", dir + "/target.txt");
    const int refused = FileSystem::moveNoReplace(dir + "/target.txt", dir + "/taken.txt");
    TestSupport::makeFolder("fallback/folder");
    const int folderMoved = FileSystem::moveNoReplace(dir + "/folder", dir + "/folder2");
    const bool overFile = renamedOverAFile;
    volumeWithoutNoReplace.clear();
    savedMeanwhile.clear();

    EXPECT_EQ(moved, 0);
    EXPECT_FALSE(overFile);
    EXPECT_EQ(TestSupport::readFile(dir + "/target.txt"), "moved file");
    EXPECT_FALSE(FileSystem::exists(dir + "/mine.txt"));
    EXPECT_EQ(refused, EEXIST);
    EXPECT_EQ(TestSupport::readFile(dir + "/taken.txt"), "theirs");
    EXPECT_EQ(folderMoved, 0);
    EXPECT_TRUE(FileSystem::isDirectory(dir + "/folder2"));
}

} // namespace
