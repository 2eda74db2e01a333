#include "CoreError.h"
#include "JsonCoding.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

TEST(JsonCoding, PrettyFormIsSortedIndentedAndEscapesSlashes)
{
    const QDateTime when(QDate(2025, 3, 4), QTime(8, 5, 9, 750), Qt::UTC);
    const QJsonObject record{
        {"path", "/Users/u/发票 2025"},
        {"createdAt", JsonCoding::dateText(when)},
        {"nested", QJsonObject{{"b", 2}, {"a", QJsonArray{true, QJsonValue::Null, "x\"y\n"}}}},
        {"empty", QJsonArray{}},
        {"none", QJsonObject{}},
    };
    const QByteArray expected = "{\n"
                                "  \"createdAt\" : \"2025-03-04T08:05:09Z\",\n"
                                "  \"empty\" : [],\n"
                                "  \"nested\" : {\n"
                                "    \"a\" : [\n"
                                "      true,\n"
                                "      null,\n"
                                "      \"x\\\"y\\n\"\n"
                                "    ],\n"
                                "    \"b\" : 2\n"
                                "  },\n"
                                "  \"none\" : {},\n"
                                "  \"path\" : \"\\/Users\\/u\\/发票 2025\"\n"
                                "}";
    EXPECT_EQ(JsonCoding::pretty(record), expected);
    EXPECT_EQ(JsonCoding::compact(QJsonObject{{"to", "a/b"}, {"id", 1}, {"r", 0.5}}),
              QByteArray("{\"id\":1,\"r\":0.5,\"to\":\"a\\/b\"}"));
    // What was written reads back unchanged.
    EXPECT_EQ(JsonCoding::parse(expected, "test").toObject(), record);
}

TEST(JsonCoding, DatesAreWholeSecondsAndReadStrictly)
{
    const QDateTime when(QDate(2025, 3, 4), QTime(8, 5, 9, 750), Qt::UTC);
    const QString text = JsonCoding::dateText(when);
    EXPECT_EQ(text, QStringLiteral("2025-03-04T08:05:09Z"));
    EXPECT_EQ(JsonCoding::parseDate(text),
              QDateTime(QDate(2025, 3, 4), QTime(8, 5, 9), Qt::UTC));
    EXPECT_EQ(JsonCoding::parseDate("2025-03-04T10:05:09+02:00"),
              QDateTime(QDate(2025, 3, 4), QTime(8, 5, 9), Qt::UTC));
    for (const char *bad : {"2025-03-04T08:05:09.750Z", "2025-03-04T08:05:09", "2025-03-04",
                            "2025-13-04T08:05:09Z", "1741075509", ""})
        EXPECT_FALSE(JsonCoding::parseDate(QString::fromLatin1(bad))) << bad;
}

TEST(JsonCoding, ReaderRejectsMissingAndMistypedMembers)
{
    const QJsonObject object{{"s", "text"}, {"n", 3}, {"f", 1.5}, {"d", "2025-03-04T08:05:09.5Z"},
                             {"nul", QJsonValue::Null}};
    const JsonCoding::Reader reader(object, "record");
    EXPECT_EQ(reader.string("s"), QStringLiteral("text"));
    EXPECT_EQ(reader.integer("n"), 3);
    EXPECT_FALSE(reader.optionalString("missing"));
    EXPECT_FALSE(reader.optionalString("nul"));
    EXPECT_THROW(reader.string("missing"), DecodingError);
    EXPECT_THROW(reader.string("n"), DecodingError);
    EXPECT_THROW(reader.integer("f"), DecodingError);
    EXPECT_THROW(reader.date("d"), DecodingError);
    EXPECT_THROW(reader.array("s"), DecodingError);
    EXPECT_THROW(JsonCoding::Reader(QJsonArray{}, "x"), DecodingError);
    EXPECT_THROW(JsonCoding::parse("{\"a\":", "broken.json"), DecodingError);
}

} // namespace
