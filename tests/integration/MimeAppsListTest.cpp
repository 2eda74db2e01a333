#include "MimeAppsList.h"
#include "TestSupport.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QString defaults = QStringLiteral("Default Applications");
const QString folders = QStringLiteral("inode/directory");

TEST(MimeAppsList, EditsOneLineAndKeepsEveryOtherByteForByte)
{
    const QByteArray user = "# my own comment\n"
                            "[Added Associations]\n"
                            "inode/directory=a.desktop;b.desktop;\n"
                            "\n"
                            "[Default Applications]\n"
                            "text/plain = gedit.desktop\n"
                            "inode/directory=other.desktop\n"
                            "image/png=eog.desktop\n"
                            "\n"
                            "[Removed Associations]\n"
                            "video/mp4=x.desktop;\n";
    struct Case
    {
        const char *name;
        QByteArray text;
        std::optional<QString> value;
        QByteArray expected;
    };
    const QList<Case> cases{
        {"replace in place", user, QStringLiteral("marovel.desktop"),
         QByteArray(user).replace("inode/directory=other.desktop\n", "inode/directory=marovel.desktop\n")},
        {"remove", user, std::nullopt, QByteArray(user).replace("inode/directory=other.desktop\n", "")},
        {"add after the group's last entry", "[Default Applications]\ntext/plain=a.desktop\n\n[Other]\nx=y\n",
         QStringLiteral("m.desktop"),
         "[Default Applications]\ntext/plain=a.desktop\ninode/directory=m.desktop\n\n[Other]\nx=y\n"},
        {"add the group", "[Added Associations]\nx=y", QStringLiteral("m.desktop"),
         "[Added Associations]\nx=y\n\n[Default Applications]\ninode/directory=m.desktop\n"},
        {"empty file", "", QStringLiteral("m.desktop"), "[Default Applications]\ninode/directory=m.desktop\n"},
        {"remove what is not there", "[Default Applications]\ntext/plain=a\n", std::nullopt,
         "[Default Applications]\ntext/plain=a\n"},
        {"same key in another group untouched", "[Added Associations]\ninode/directory=a;\n", std::nullopt,
         "[Added Associations]\ninode/directory=a;\n"},
        {"last line without line end", "[Default Applications]\ninode/directory=old", QStringLiteral("new"),
         "[Default Applications]\ninode/directory=new\n"},
        {"CRLF lines elsewhere kept", "[A]\r\nk=v\r\n[Default Applications]\r\ninode/directory=old\r\n", std::nullopt,
         "[A]\r\nk=v\r\n[Default Applications]\r\n"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(MimeAppsList::withValue(c.text, defaults, folders, c.value), c.expected) << c.name;
    }
    EXPECT_EQ(MimeAppsList::value(user, defaults, folders), QStringLiteral("other.desktop"));
    EXPECT_EQ(MimeAppsList::value(user, defaults, QStringLiteral("text/plain")), QStringLiteral("gedit.desktop"));
    EXPECT_EQ(MimeAppsList::value(user, defaults, QStringLiteral("video/mp4")), std::nullopt);
}

TEST(MimeAppsList, WritesFilesAtomicallyAndCreatesTheirFolder)
{
    const QString path = TestSupport::root() + QStringLiteral("/new/config/mimeapps.list");
    EXPECT_EQ(MimeAppsList::readValue(path, defaults, folders), std::nullopt);
    ASSERT_TRUE(MimeAppsList::writeValue(path, defaults, folders, QStringLiteral("m.desktop")));
    EXPECT_EQ(MimeAppsList::readValue(path, defaults, folders), QStringLiteral("m.desktop"));
    ASSERT_TRUE(MimeAppsList::writeValue(path, defaults, folders, std::nullopt));
    EXPECT_EQ(TestSupport::readFile(path), QByteArray("[Default Applications]\n"));

    // A folder where the file should be: the write fails and nothing is lost.
    const QString blocked = TestSupport::makeFolder(QStringLiteral("blocked/mimeapps.list"));
    EXPECT_FALSE(MimeAppsList::writeValue(blocked, defaults, folders, QStringLiteral("m.desktop")));
    EXPECT_TRUE(QFileInfo(blocked).isDir());
}

} // namespace
