#include "FileLister.h"
#include "FilesTestSupport.h"
#include "OnlineFiles.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

using FilesTest::ScopedLanguage;

QMap<QString, FileItem> byName(const QList<FileItem> &items)
{
    QMap<QString, FileItem> map;
    for (const FileItem &item : items)
        map.insert(item.name, item);
    return map;
}

void setTimes(const QString &path, qint64 seconds)
{
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(
        ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

TEST(FileLister, UnreadableFoldersListAsEmpty)
{
    const QString root = TestSupport::makeFolder("lister");
    TestSupport::writeFile(root + "/file.txt", "x");
    EXPECT_TRUE(FileLister::list(root + "/missing", true).isEmpty());
    EXPECT_TRUE(FileLister::list(root + "/file.txt", true).isEmpty());
    EXPECT_TRUE(FileLister::list(QString(), true).isEmpty());
}

TEST(FileLister, HiddenEntriesFollowTheSwitch)
{
    const QString root = TestSupport::makeFolder("hidden");
    TestSupport::writeFile(root + "/.profile", "p");
    TestSupport::writeFile(root + "/a.txt", "a");
    QDir().mkpath(root + "/.cache");
    QDir().mkpath(root + "/sub");

    QStringList shown = byName(FileLister::list(root, false)).keys();
    EXPECT_EQ(shown, QStringList({"a.txt", "sub"}));

    const auto all = byName(FileLister::list(root, true));
    EXPECT_EQ(all.keys(), QStringList({".cache", ".profile", "a.txt", "sub"}));
    EXPECT_TRUE(all[".profile"].isHidden);
    EXPECT_TRUE(all[".cache"].isHidden);
    EXPECT_FALSE(all["a.txt"].isHidden);
}

TEST(FileLister, ItemsCarryTheFactsOfTheirFiles)
{
    ScopedLanguage zh("zh-Hans");
    const QString root = TestSupport::makeFolder("facts");
    TestSupport::writeFile(root + "/report.pdf", QByteArray(1500, 'x'));
    setTimes(root + "/report.pdf", 1700000000);
    QDir().mkpath(root + "/Photos");
    TestSupport::writeFile(root + "/Photos/p.jpg", "jpg");
    ASSERT_EQ(::symlink("Photos", QFile::encodeName(root + "/to-photos").constData()), 0);
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(root + "/dangling").constData()), 0);
    const QByteArray tags = "Red,Work";
    ASSERT_EQ(::setxattr(QFile::encodeName(root + "/report.pdf").constData(), "user.xdg.tags",
                         tags.constData(), tags.size(), 0),
              0);

    // The folder given with a trailing slash and a "." still yields clean identities.
    const auto items = byName(FileLister::list(root + "/./", false));
    ASSERT_EQ(items.size(), 4);

    const FileItem &pdf = items["report.pdf"];
    EXPECT_EQ(pdf.path, root + "/report.pdf");
    EXPECT_FALSE(pdf.isDir);
    EXPECT_EQ(pdf.size, 1500);
    EXPECT_EQ(pdf.modified, QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC));
    EXPECT_TRUE(pdf.created.isValid());
    EXPECT_NE(pdf.created, FileItem::distantPast());
    EXPECT_EQ(pdf.tags, QStringList({"Red", "Work"}));
    EXPECT_EQ(pdf.kind, QString::fromUtf8("PDF 文档"));
    EXPECT_FALSE(pdf.isAlias);
    EXPECT_FALSE(pdf.suggestion.has_value());
    EXPECT_EQ(pdf.conf, QString::fromUtf8("—"));

    const FileItem &photos = items["Photos"];
    EXPECT_TRUE(photos.isDir);
    EXPECT_EQ(photos.kind, QString::fromUtf8("文件夹"));
    EXPECT_TRUE(photos.tags.isEmpty());

    // A symbolic link is an alias that shows what it points to.
    const FileItem &link = items["to-photos"];
    EXPECT_TRUE(link.isAlias);
    EXPECT_TRUE(link.isDir);
    EXPECT_EQ(link.path, root + "/to-photos");
    const FileItem &dangling = items["dangling"];
    EXPECT_TRUE(dangling.isAlias);
    EXPECT_FALSE(dangling.isDir);
}

TEST(FileLister, NothingIsOnlineOnLinuxUnlessThePlatformQuerySaysSo)
{
    const QString root = TestSupport::makeFolder("online");
    TestSupport::writeFile(root + "/local.txt", "here");
    // A sparse file has a size but no allocated blocks; on Linux that is no placeholder.
    const int fd =
        ::open(QFile::encodeName(root + "/sparse.bin").constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 100), 0);
    ::close(fd);

    for (const FileItem &item : FileLister::list(root, false))
        EXPECT_FALSE(item.isOnline) << item.name.toStdString();
    EXPECT_EQ(byName(FileLister::list(root, false))["sparse.bin"].size, 100);

    OnlineFiles::setQuery([](const QString &path) { return path.endsWith("/local.txt"); });
    const auto items = byName(FileLister::list(root, false));
    OnlineFiles::setQuery({});
    EXPECT_TRUE(items["local.txt"].isOnline);
    EXPECT_FALSE(items["sparse.bin"].isOnline);
    EXPECT_FALSE(OnlineFiles::isOnlineOnly(root + "/local.txt"));
}

TEST(FileLister, KindTextsFollowTheInterfaceLanguage)
{
    const struct
    {
        const char *name;
        bool isDir;
        const char *zh;
        const char *en;
    } cases[] = {
        {"Photos", true, "文件夹", "Folder"},
        {"archive.xyz", false, "XYZ 文件", "XYZ File"},
        {"Makefile", false, "文件", "File"},
        {".profile", false, "文件", "File"},
        {"report.pdf", false, "PDF 文档", "PDF document"},
        {"REPORT.PDF", false, "PDF 文档", "PDF document"},
        {"x.tar.gz", false, "Tar 归档文件（gzip 压缩）", "Tar archive (gzip-compressed)"},
        {"x.gz", false, "Gzip 归档文件", "Gzip archive"},
        {"notes.2024.txt", false, "纯文本文档", "plain text document"},
    };
    for (const char *language : {"zh-Hans", "en", "zh-Hans"}) {
        ScopedLanguage scoped(language);
        const bool zh = QByteArray(language) == "zh-Hans";
        for (const auto &c : cases)
            EXPECT_EQ(FileLister::kindOf("/any/" + QString::fromUtf8(c.name), c.isDir),
                      QString::fromUtf8(zh ? c.zh : c.en))
                << language << " " << c.name;
    }
}

// What a listing must hold for every entry, read the plain way in directory order: one
// stat and one attribute read by full path per entry, by the name's own bytes.
struct Expected
{
    QString name, path, kind;
    bool isDir = false, isAlias = false, isHidden = false;
    qint64 size = 0;
    QDateTime modified = FileItem::distantPast(), created = FileItem::distantPast();
    QStringList tags;
};

QDateTime dateOf(const struct statx_timestamp &t)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000, Qt::UTC);
}

QList<Expected> listPlainly(const QString &folder, bool showHidden)
{
    QList<Expected> entries;
    const QByteArray folderBytes = QFile::encodeName(folder);
    DIR *dir = ::opendir(folderBytes.constData());
    if (!dir)
        return entries;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        if (raw == "." || raw == ".." || (raw.startsWith('.') && !showHidden))
            continue;
        Expected e;
        e.name = QFile::decodeName(raw);
        e.path = folder + u'/' + e.name;
        e.isHidden = raw.startsWith('.');
        const QByteArray path = folderBytes + '/' + raw;
        struct stat own, target;
        if (::lstat(path.constData(), &own) == 0) {
            e.isAlias = S_ISLNK(own.st_mode);
            const bool followed = e.isAlias && ::stat(path.constData(), &target) == 0;
            const struct stat &facts = followed ? target : own;
            e.isDir = S_ISDIR(facts.st_mode);
            e.size = !e.isDir && facts.st_size > 0 ? facts.st_size : qint64(facts.st_blocks) * 512;
            e.modified = QDateTime::fromMSecsSinceEpoch(
                qint64(facts.st_mtim.tv_sec) * 1000 + facts.st_mtim.tv_nsec / 1000000, Qt::UTC);
            struct statx birth;
            const int flags = followed ? 0 : AT_SYMLINK_NOFOLLOW;
            e.created = ::statx(AT_FDCWD, path.constData(), flags, STATX_BTIME, &birth) == 0 &&
                                (birth.stx_mask & STATX_BTIME)
                            ? dateOf(birth.stx_btime)
                            : e.modified;
        }
        e.kind = FileLister::kindOf(e.path, e.isDir);
        char value[4096];
        const ssize_t n = ::getxattr(path.constData(), "user.xdg.tags", value, sizeof value);
        if (n > 0)
            e.tags = QString::fromUtf8(value, n).split(u',', Qt::SkipEmptyParts);
        entries << e;
    }
    ::closedir(dir);
    return entries;
}

// The listing against the plain reading, entry by entry in directory order.
void expectSameAsPlain(const QString &folder, bool showHidden)
{
    const QList<FileItem> items = FileLister::list(folder, showHidden);
    const QList<Expected> expected = listPlainly(folder, showHidden);
    ASSERT_EQ(items.size(), expected.size()) << folder.toStdString();
    for (qsizetype i = 0; i < items.size(); ++i) {
        const FileItem &item = items[i];
        const Expected &e = expected[i];
        const std::string name = e.name.toStdString();
        ASSERT_EQ(item.name, e.name) << "entry " << i;
        EXPECT_EQ(item.path, e.path) << name;
        EXPECT_EQ(item.isDir, e.isDir) << name;
        EXPECT_EQ(item.isAlias, e.isAlias) << name;
        EXPECT_EQ(item.isHidden, e.isHidden) << name;
        EXPECT_EQ(item.size, e.size) << name;
        EXPECT_EQ(item.modified, e.modified) << name;
        EXPECT_EQ(item.created, e.created) << name;
        EXPECT_EQ(item.kind, e.kind) << name;
        EXPECT_EQ(item.tags, e.tags) << name;
        EXPECT_FALSE(item.isOnline) << name;
    }
}

void tag(const QString &path, const QByteArray &value)
{
    ASSERT_EQ(::setxattr(QFile::encodeName(path).constData(), "user.xdg.tags", value.constData(),
                         size_t(value.size()), 0),
              0);
}

void makeLink(const QByteArray &target, const QString &path)
{
    ASSERT_EQ(::symlink(target.constData(), QFile::encodeName(path).constData()), 0);
}

TEST(FileLister, EveryFactMatchesAPlainReadingOfTheFolder)
{
    ScopedLanguage zh("zh-Hans");
    const QString root = TestSupport::makeFolder("plain");
    // Many names of few kinds, so the kind cache is used again and again.
    static const char *const suffixes[] = {".pdf", ".tar.gz", "", ".xyz", ".TXT", ".a.b.c", "."};
    for (int i = 0; i < 60; ++i)
        TestSupport::writeFile(root + QString("/file-%1%2").arg(i).arg(suffixes[i % 7]),
                               QByteArray(i * 37, 'x'));
    TestSupport::writeFile(root + "/.hidden.md", "h");
    TestSupport::writeFile(root + QString::fromUtf8("/发票 2024.pdf"), "pdf");
    tag(root + "/file-0.pdf", "Red,Work");
    tag(root + QString::fromUtf8("/发票 2024.pdf"), QString::fromUtf8("蓝色,Blue").toUtf8());
    // A value longer than the first read's buffer.
    QStringList many;
    for (int i = 0; i < 80; ++i)
        many << QString("tag-%1").arg(i);
    tag(root + "/file-1.tar.gz", many.join(u',').toUtf8());
    QDir().mkpath(root + "/folder");
    tag(root + "/folder", "Green");
    // Links: to a tagged file (its tags show), to a folder, and dangling.
    makeLink("file-0.pdf", root + "/to-file");
    makeLink("folder", root + "/to-folder");
    makeLink("gone", root + "/dangling");
    // Entries nobody may read or enter.
    TestSupport::writeFile(root + "/locked.txt", "secret");
    ::chmod(QFile::encodeName(root + "/locked.txt").constData(), 0);
    QDir().mkpath(root + "/closed");
    ::chmod(QFile::encodeName(root + "/closed").constData(), 0);

    expectSameAsPlain(root, false);
    expectSameAsPlain(root, true);
    const auto items = byName(FileLister::list(root, false));
    EXPECT_EQ(items["file-1.tar.gz"].tags, many);
    EXPECT_EQ(items["to-file"].tags, QStringList({"Red", "Work"}));
    EXPECT_EQ(items["folder"].tags, QStringList({"Green"}));
    ::chmod(QFile::encodeName(root + "/closed").constData(), 0755);
}

// A folder large enough to be read on several threads, with every sort of entry spread
// over all of it, lists exactly as the plain reading: same entries, facts and order.
TEST(FileLister, ALargeFolderListsAsThePlainReading)
{
    ScopedLanguage zh("zh-Hans");
    const QString root = TestSupport::makeFolder("large");
    const QByteArray rootBytes = QFile::encodeName(root);
    static const char *const suffixes[] = {".pdf", ".jpg", "", ".tar.gz", ".xyz", ".md"};
    const auto nameOf = [](int i) { return QString("entry-%1%2").arg(i).arg(suffixes[i % 6]); };
    for (int i = 0; i < 9000; ++i) {
        const QString path = root + u'/' + nameOf(i);
        switch (i % 250) {
        case 0:
            QDir().mkpath(path);
            tag(path, "Green");
            break;
        case 1:
            makeLink(QFile::encodeName(nameOf(i - 1)), path); // to the folder before
            break;
        case 2:
            makeLink("gone", path);
            break;
        case 3:
            TestSupport::writeFile(root + QString("/.hidden-%1").arg(i), "h");
            break;
        case 4: {
            // A name that is not UTF-8.
            const QByteArray name = rootBytes + "/bad-\xff\xfe-" + QByteArray::number(i);
            const int fd = ::open(name.constData(), O_CREAT | O_WRONLY, 0644);
            ASSERT_GE(fd, 0);
            ::close(fd);
            break;
        }
        case 5:
            TestSupport::writeFile(path, "tagged");
            tag(path, "Red,Work");
            break;
        case 6:
            TestSupport::writeFile(path, "locked");
            ::chmod(QFile::encodeName(path).constData(), 0);
            break;
        default:
            TestSupport::writeFile(path, QByteArray(i % 3, 'x'));
        }
    }
    expectSameAsPlain(root, false);
    expectSameAsPlain(root, true);
}

// A folder on a file system without user attributes (ramfs, mounted here where the test
// may; procfs otherwise) lists with no tags and all other facts, and so does a tagged
// folder that the listing reaches through a link from there.
TEST(FileLister, FoldersWithoutUserAttributesListWithoutTags)
{
    const QString mountPoint = TestSupport::makeFolder("ramfs");
    const bool mounted =
        ::mount("ramfs", QFile::encodeName(mountPoint).constData(), "ramfs", 0, nullptr) == 0;
    if (!mounted) {
        // procfs has no user attributes either, and needs no mount.
        expectSameAsPlain(QStringLiteral("/proc/self"), true);
        for (const FileItem &item : FileLister::list(QStringLiteral("/proc/self"), true))
            EXPECT_TRUE(item.tags.isEmpty());
        return;
    }
    const QByteArray probe = QFile::encodeName(mountPoint + "/probe");
    TestSupport::writeFile(mountPoint + "/probe", "p");
    if (::setxattr(probe.constData(), "user.xdg.tags", "Red", 3, 0) == 0) {
        ::umount(QFile::encodeName(mountPoint).constData());
        GTEST_SKIP() << "this ramfs keeps user attributes";
    }
    const QString elsewhere = TestSupport::makeFolder("tagged");
    TestSupport::writeFile(elsewhere + "/t.pdf", "t");
    ASSERT_EQ(::setxattr(QFile::encodeName(elsewhere + "/t.pdf").constData(), "user.xdg.tags",
                         "Red", 3, 0),
              0);
    // ramfs lists its newest entries first: the files come before the link, so the link's
    // tags (on another file system) are read after the folder has said it keeps none.
    ASSERT_EQ(::symlink(QFile::encodeName(elsewhere + "/t.pdf").constData(),
                        QFile::encodeName(mountPoint + "/link.pdf").constData()),
              0);
    for (int i = 0; i < 5; ++i)
        TestSupport::writeFile(mountPoint + QString("/f%1.txt").arg(i), "x");
    expectSameAsPlain(mountPoint, true);
    EXPECT_EQ(byName(FileLister::list(mountPoint, true))["link.pdf"].tags, QStringList({"Red"}));
    ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH);
}

TEST(FileLister, FreeSpaceOfAVolume)
{
    ScopedLanguage zh("zh-Hans");
    const QString text = FileLister::freeSpace(TestSupport::root());
    EXPECT_TRUE(text.endsWith(QString::fromUtf8(" 可用"))) << text.toStdString();
    EXPECT_TRUE(text.at(0).isDigit()) << text.toStdString();
    EXPECT_EQ(FileLister::freeSpace(TestSupport::root() + "/no/such/place"), QString());
}

} // namespace
