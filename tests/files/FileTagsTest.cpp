#include "FileTags.h"
#include "TestSupport.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/xattr.h>

namespace {

QByteArray rawTags(const QString &path)
{
    char buffer[1024];
    const ssize_t n =
        ::getxattr(QFile::encodeName(path).constData(), "user.xdg.tags", buffer, sizeof buffer);
    return n < 0 ? QByteArray("<absent>") : QByteArray(buffer, n);
}

TEST(FileTags, ToggleAddsOrRemovesOneTagAndKeepsTheOthers)
{
    const QString dir = TestSupport::makeFolder("tags");
    TestSupport::writeFile(dir + "/tagged.txt", "x");
    TestSupport::writeFile(dir + "/plain.txt", "x");
    ASSERT_EQ(FileTags::write(dir + "/tagged.txt", {"Red", "Blue"}), 0);
    EXPECT_EQ(rawTags(dir + "/tagged.txt"), "Red,Blue"); // the form other programs read

    EXPECT_EQ(FileTags::read(dir + "/plain.txt"), QStringList());
    for (const char *file : {"tagged.txt", "plain.txt"})
        EXPECT_EQ(FileTags::toggle(dir + "/" + file, "Red"), 0);
    EXPECT_EQ(FileTags::read(dir + "/tagged.txt"), QStringList({"Blue"}));
    EXPECT_EQ(FileTags::read(dir + "/plain.txt"), QStringList({"Red"}));

    // Removing the last tag removes the attribute.
    EXPECT_EQ(FileTags::toggle(dir + "/plain.txt", "Red"), 0);
    EXPECT_EQ(rawTags(dir + "/plain.txt"), "<absent>");
}

TEST(FileTags, ValuesWrittenByOtherProgramsAreRead)
{
    const QString path = TestSupport::makeFolder("foreign") + "/f.txt";
    TestSupport::writeFile(path, "x");
    const struct
    {
        QByteArray raw;
        QStringList tags;
    } cases[] = {{"Work,Important", {"Work", "Important"}},
                 {"Red, Green ,", {"Red", "Green"}},
                 {QByteArray("项目,Red\0", 12), {"项目", "Red"}},
                 {"Red,Red", {"Red", "Red"}}};
    for (const auto &c : cases) {
        ASSERT_EQ(::setxattr(QFile::encodeName(path).constData(), "user.xdg.tags",
                             c.raw.constData(), c.raw.size(), 0),
                  0);
        EXPECT_EQ(FileTags::read(path), c.tags) << c.raw.toStdString();
    }
    // Every occurrence goes.
    EXPECT_EQ(FileTags::toggle(path, "Red"), 0);
    EXPECT_EQ(FileTags::read(path), QStringList());
}

TEST(FileTags, FailuresLeaveFilesAlone)
{
    const QString dir = TestSupport::makeFolder("tagfail");
    int error = 0;
    EXPECT_FALSE(FileTags::read(dir + "/missing.txt", &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(FileTags::toggle(dir + "/missing.txt", "Red"), ENOENT);
    EXPECT_FALSE(QFileInfo::exists(dir + "/missing.txt"));

    TestSupport::writeFile(dir + "/a.txt", "x");
    ASSERT_EQ(FileTags::write(dir + "/a.txt", {"Blue"}), 0);
    EXPECT_EQ(FileTags::write(dir + "/a.txt", {"a,b"}), EINVAL);
    // Names that would not read back as written are refused.
    for (const QString &bad : {QStringLiteral("a,b"), QStringLiteral(" Blue"), QStringLiteral("Blue "),
                               QStringLiteral("x") + QChar(u'\0') + QStringLiteral("y"), QString()}) {
        EXPECT_EQ(FileTags::toggle(dir + "/a.txt", bad), EINVAL) << bad.toStdString();
        EXPECT_EQ(FileTags::write(dir + "/a.txt", {bad}), EINVAL) << bad.toStdString();
    }
    EXPECT_EQ(FileTags::read(dir + "/a.txt"), QStringList({"Blue"}));
}

} // namespace
