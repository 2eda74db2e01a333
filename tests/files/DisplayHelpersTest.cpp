#include "DisplayHelpers.h"
#include "FileItem.h"
#include "FilesTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QGuiApplication>
#include <QLocale>
#include <QPalette>
#include <QStorageInfo>

#include <gtest/gtest.h>

#include <clocale>

namespace {

using FilesTest::ScopedLanguage;

TEST(DisplayHelpers, SizesUseBinaryUnitsAndAFullStop)
{
    const struct
    {
        qint64 bytes;
        const char *text;
    } cases[] = {{0, ""},
                 {-5, ""},
                 {1, "1 B"},
                 {1023, "1023 B"},
                 {1024, "1.0 KB"},
                 {1536, "1.5 KB"},
                 {1024 * 1024, "1.0 MB"},
                 {qint64(1) << 40, "1.0 TB"},
                 {qint64(2048) << 40, "2048.0 TB"}};
    // The decimal point stays a full stop whatever the locale says.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::string numeric = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    for (const auto &c : cases)
        EXPECT_EQ(sizeStr(c.bytes), QString::fromLatin1(c.text)) << c.bytes;
    std::setlocale(LC_NUMERIC, numeric.c_str());
    QLocale::setDefault(previous);
}

TEST(DisplayHelpers, DatesInLocalTimeAndNoneForTheDistantPast)
{
    EXPECT_EQ(dateStr(FileItem::distantPast()), QString());
    EXPECT_EQ(dateStr(QDateTime()), QString());
    EXPECT_EQ(dateStr(QDateTime(QDate(2024, 3, 5), QTime(9, 7, 59), Qt::LocalTime)),
              "2024-03-05 09:07");
    const QDateTime utc(QDate(2024, 3, 5), QTime(9, 7), Qt::UTC);
    EXPECT_EQ(dateStr(utc), utc.toLocalTime().toString("yyyy-MM-dd HH:mm"));
}

TEST(DisplayHelpers, PlacesByTheirWellKnownNames)
{
    const QString home = QDir::homePath();
    const QString rootLabel = QStorageInfo::root().name();
    const struct
    {
        QString path;
        const char *zh, *en, *icon;
    } cases[] = {
        {home, "个人", "Home", "user-home"},
        {home + "/", "个人", "Home", "user-home"},
        {"/work/project/Downloads", "下载", "Downloads", "folder-download"},
        {home + "/Desktop", "桌面", "Desktop", "user-desktop"},
        {"/srv/Documents/", "文稿", "Documents", "folder-documents"},
        {"/Applications", "应用程序", "Applications", "applications-other"},
        {"/srv/data/Invoices", "Invoices", "Invoices", "folder"},
    };
    for (const char *language : {"zh-Hans", "en"}) {
        ScopedLanguage scoped(language);
        const bool zh = QByteArray(language) == "zh-Hans";
        for (const auto &c : cases) {
            EXPECT_EQ(displayName(c.path), QString::fromUtf8(zh ? c.zh : c.en))
                << c.path.toStdString();
            EXPECT_EQ(locIcon(c.path), QString::fromLatin1(c.icon)) << c.path.toStdString();
        }
        EXPECT_EQ(displayName("/"),
                  rootLabel.isEmpty() ? (zh ? "文件系统" : "File System") : rootLabel);
        EXPECT_EQ(locIcon("/"), "folder");
    }
}

TEST(DisplayHelpers, TheUsersOwnXdgFoldersAreKnownWhateverTheirNames)
{
    const QString home = QDir::homePath();
    TestSupport::writeFile(
        qEnvironmentVariable("XDG_CONFIG_HOME") + "/user-dirs.dirs",
        "XDG_DESKTOP_DIR=\"$HOME/桌面\"\nXDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n");
    QDir().mkpath(home + "/桌面");
    QDir().mkpath(home + "/Téléchargements");
    ScopedLanguage en("en");
    EXPECT_EQ(displayName(home + "/桌面"), "Desktop");
    EXPECT_EQ(locIcon(home + "/桌面"), "user-desktop");
    EXPECT_EQ(displayName(home + "/Téléchargements"), "Downloads");
    EXPECT_EQ(displayName(home + "/Music"), "Music");
}

TEST(DisplayHelpers, ColourTagsHaveNamesAndColours)
{
    const QColor secondary = QGuiApplication::palette().color(QPalette::PlaceholderText);
    const char *colours[] = {"Red", "Orange", "Yellow", "Green", "Blue", "Purple", "Gray"};
    const char *zh[] = {"红", "橙", "黄", "绿", "蓝", "紫", "灰"};
    QSet<QRgb> seen;
    for (int i = 0; i < 7; ++i) {
        {
            ScopedLanguage scoped("zh-Hans");
            EXPECT_EQ(tagDisplay(colours[i]), QString::fromUtf8(zh[i]));
        }
        ScopedLanguage scoped("en");
        EXPECT_EQ(tagDisplay(colours[i]), QString::fromLatin1(colours[i]));
        EXPECT_NE(tagColor(colours[i]), secondary) << colours[i];
        seen.insert(tagColor(colours[i]).rgb());
    }
    EXPECT_EQ(seen.size(), 7);
    EXPECT_EQ(tagDisplay("Important"), "Important");
    for (const char *other : {"Important", "gray", "红", ""})
        EXPECT_EQ(tagColor(other), secondary) << other;
}

} // namespace
