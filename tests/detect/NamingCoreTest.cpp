// Core.garbled and Core.fileDate.
#include "DetectTestSupport.h"
#include "NamingCore.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

TEST(NamingCore, GarbledAboveTwoPercentReplacementCharacters)
{
    const Pinned pinned;
    const QChar bad(QChar::ReplacementCharacter);
    const auto text = [&](int good, int replacements) {
        return QString(good, u'a') + QString(replacements, bad);
    };
    EXPECT_FALSE(Core::garbled(""));
    EXPECT_FALSE(Core::garbled(text(98, 2))); // exactly 2 %
    EXPECT_TRUE(Core::garbled(text(97, 3)));
    EXPECT_TRUE(Core::garbled(QString(bad)));
    // Characters are counted as the user sees them: an emoji is one.
    EXPECT_FALSE(Core::garbled(QString(49, QChar(u'x')) + QStringLiteral("👍🏽") + bad));
    EXPECT_TRUE(Core::garbled(QString(20, QChar(u'x')) + QStringLiteral("👍🏽") + bad));
    // A replacement character with a combining mark is not a bare replacement character.
    EXPECT_FALSE(Core::garbled(QString(bad) + QChar(0x0301)));
}

TEST(NamingCore, FileDateFromTheFileElseToday)
{
    const Pinned pinned;
    EXPECT_EQ(Core::fileDate(missingFile("nothing.pdf")), pinnedDay);
    EXPECT_EQ(Core::fileDate(""), pinnedDay);

    const QString path = QDir(TestSupport::root()).filePath("dated.txt");
    TestSupport::writeFile(path, "x");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2024, 3, 5), QTime(12, 0)),
                                 QFileDevice::FileModificationTime));
    file.close();
    const QDateTime born = QFileInfo(path).birthTime();
    // The creation date when the file system keeps one, else the modification date.
    const QString expected = born.isValid() ? born.toLocalTime().toString("yyyy-MM-dd")
                                            : QStringLiteral("2024-03-05");
    EXPECT_EQ(Core::fileDate(path), expected);
    EXPECT_NE(Core::fileDate(path), pinnedDay);
}

} // namespace
