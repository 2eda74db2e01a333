#include "FileLister.h"
#include "FilesTestSupport.h"
#include "OnlineFiles.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
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

TEST(FileLister, FreeSpaceOfAVolume)
{
    ScopedLanguage zh("zh-Hans");
    const QString text = FileLister::freeSpace(TestSupport::root());
    EXPECT_TRUE(text.endsWith(QString::fromUtf8(" 可用"))) << text.toStdString();
    EXPECT_TRUE(text.at(0).isDigit()) << text.toStdString();
    EXPECT_EQ(FileLister::freeSpace(TestSupport::root() + "/no/such/place"), QString());
}

} // namespace
