#include "TextUtil.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

TEST(TextUtil, GraphemesCountWhatAUserSeesAsOneCharacter)
{
    const QString family = QString::fromUtf8("👨‍👩‍👧");
    const QString accented = QString::fromUtf8("e\u0301");
    const QString text = QString::fromUtf8("发票") + family + accented + "x";
    EXPECT_EQ(TextUtil::graphemeCount(text), 5);
    EXPECT_EQ(TextUtil::graphemePrefix(text, 3), QString::fromUtf8("发票") + family);
    EXPECT_EQ(TextUtil::graphemePrefix(text, 4), QString::fromUtf8("发票") + family + accented);
    EXPECT_EQ(TextUtil::graphemePrefix(text, 50), text);
    EXPECT_EQ(TextUtil::graphemePrefix(text, 0), QString());
    EXPECT_EQ(TextUtil::graphemeCount(QString()), 0);
}

// The quick "at least" answer matches a full count for texts whose characters are much
// longer than one code unit, where a prefix is cut inside a character.
TEST(TextUtil, AtLeastAgreesWithTheFullCount)
{
    const QString family = QString::fromUtf8("👨‍👩‍👧");             // 8 code units, one character
    const QString stacked = QString::fromUtf8("á̂̃̄"); // 5 units
    const QString flags = QString::fromUtf8("🇨🇳🇺🇸🇫🇷");                // regional pairs
    const QString texts[] = {
        QString(),
        QString("plain ascii text of some length"),
        family.repeated(30),
        stacked.repeated(40) + "tail",
        flags.repeated(20),
        QString::fromUtf8("发票") + family.repeated(10) + stacked.repeated(10) + flags,
        QString(200, u'x') + stacked.repeated(100),
    };
    for (const QString &text : texts) {
        const qsizetype total = TextUtil::graphemeCount(text);
        for (const qsizetype n : {qsizetype(0), qsizetype(1), qsizetype(19), qsizetype(20),
                                  qsizetype(21), total - 1, total, total + 1, qsizetype(500)})
            EXPECT_EQ(TextUtil::hasAtLeastGraphemes(text, n), total >= n)
                << text.left(20).toStdString() << " n=" << n << " total=" << total;
    }
}

TEST(TextUtil, CanonicalEquivalence)
{
    EXPECT_TRUE(TextUtil::canonicallyEqual(QString::fromUtf8("Caf\u00e9"), QString::fromUtf8("Cafe\u0301")));
    EXPECT_FALSE(TextUtil::canonicallyEqual("Docs", "docs"));
}

TEST(TextUtil, UuidText)
{
    const QString text = TextUtil::newUuidText();
    EXPECT_EQ(text.size(), 36);
    EXPECT_EQ(text, text.toUpper());
    EXPECT_TRUE(TextUtil::isUuidText(text));
    EXPECT_TRUE(TextUtil::isUuidText(text.toLower()));
    for (const char *bad : {"", "../../x", "{12345678-1234-1234-1234-123456789012}",
                            "12345678-1234-1234-1234-12345678901", "12345678-1234-1234-1234-1234567890123",
                            "1234567g-1234-1234-1234-123456789012"})
        EXPECT_FALSE(TextUtil::isUuidText(QString::fromLatin1(bad))) << bad;
}

TEST(TextUtil, SecondsSince2001)
{
    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    EXPECT_EQ(TextUtil::secondsSince2001(reference), 0.0);
    EXPECT_EQ(TextUtil::secondsSince2001(reference.addSecs(-1)), -1.0);
    const QDateTime when(QDate(2025, 3, 4), QTime(8, 5, 9, 500), Qt::UTC);
    EXPECT_DOUBLE_EQ(TextUtil::secondsSince2001(when), 762768309.5);
    EXPECT_EQ(TextUtil::dateFromSecondsSince2001(762768309.5), when);
}

} // namespace
