// Dates in document text: calendar check and year window, month names, numeric dates,
// anchors, and the statement month.
#include "ContentTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace ScenarioDetector;

TEST(DateRecognition, ValidISOTable)
{
    const PinnedEnvironment pinned(QDate(2025, 6, 15));
    struct Case
    {
        const char *year, *month, *day;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"2024", "2", "29", "2024-02-29"},  // leap year
        {"2023", "2", "29", std::nullopt},  // common year
        {"2000", "2", "29", "2000-02-29"},  // leap century
        {"2024", "4", "31", std::nullopt},
        {"2024", "4", "0", std::nullopt},
        {"2024", "0", "5", std::nullopt},
        {"2024", "13", "5", std::nullopt},
        {"2024", "3", "5", "2024-03-05"},
        {"2024", "03", "05", "2024-03-05"},
        {"+2024", "+3", "5", "2024-03-05"},
        {"1999", "12", "31", std::nullopt}, // before the window
        {"2026", "1", "1", "2026-01-01"},   // next year is in
        {"2027", "1", "1", std::nullopt},   // the year after is not
        {" 2024", "3", "5", std::nullopt},
        {"2024", "3", "５", std::nullopt},  // full-width digits are no number here
        {"2024", "3", "-5", std::nullopt},
        {"", "3", "5", std::nullopt},
        {"2024", "3", "5x", std::nullopt},
        // Overlong digit runs are no number, not an overflow.
        {"99999999999999999999", "3", "5", std::nullopt},
        {"2024", "3", "99999999999999999999", std::nullopt},
        {"2024", "18446744073709551619", "5", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(validISO(c.year, c.month, c.day), c.expected)
            << c.year << "-" << c.month << "-" << c.day;
}

TEST(DateRecognition, YearWindowFollowsToday)
{
    {
        const PinnedEnvironment pinned(QDate(2030, 1, 1));
        EXPECT_EQ(validISO("2031", "12", "31"), "2031-12-31");
        EXPECT_EQ(validISO("2032", "1", "1"), std::nullopt);
    }
    const PinnedEnvironment pinned(QDate(2024, 12, 31));
    EXPECT_EQ(validISO("2026", "1", "1"), std::nullopt);
}

TEST(DateRecognition, MonthNameDates)
{
    const PinnedEnvironment pinned;
    const std::pair<const char *, std::optional<QString>> cases[] = {
        {"Mar 5, 24", "2024-03-05"},
        {"Sept. 5th, 2024", "2024-09-05"},
        {"due MARCH 5 2024", "2024-03-05"},
        {"December 25th,2024", "2024-12-25"},
        {"5 March 2024", "2024-03-05"},
        {"on 21st Jan., 2025", "2025-01-21"},
        {"5 Mayday 2024", std::nullopt},
        {"Junk 5, 2024", std::nullopt},
        {"Mar 5, 20245", std::nullopt},
        {"Mar 5, 1999", std::nullopt},
        {"Mar5, 2024", std::nullopt},
        // An impossible date is passed over for the next one.
        {"Feb 30, 2024 and Mar 1, 2024", "2024-03-01"},
        // A month name glued to Chinese text still reads.
        {"日期March 5, 2024", "2024-03-05"},
    };
    for (const auto &[text, expected] : cases) {
        const auto hit = matchMonthNameDate(QString(), text);
        EXPECT_EQ(hit ? std::optional(hit->date) : std::nullopt, expected) << text;
        if (hit) {
            EXPECT_FALSE(hit->ambiguous) << text;
        }
    }
}

TEST(DateRecognition, NumericDatesWithBothReadings)
{
    const PinnedEnvironment pinned;
    struct Case
    {
        const char *text;
        std::optional<DateHit> dayFirst;
        std::optional<DateHit> monthFirst;
    };
    const Case cases[] = {
        {"05/03/2024", DateHit{"2024-03-05", true}, DateHit{"2024-05-03", true}},
        {"25/03/2024", DateHit{"2024-03-25", false}, DateHit{"2024-03-25", false}},
        {"03/25/2024", DateHit{"2024-03-25", false}, DateHit{"2024-03-25", false}},
        {"25/03/24", DateHit{"2024-03-25", true}, DateHit{"2024-03-25", true}},
        {"1.2.2024", DateHit{"2024-02-01", true}, DateHit{"2024-01-02", true}},
        {"5-3-2024", DateHit{"2024-03-05", true}, DateHit{"2024-05-03", true}},
        {"1.2.24", std::nullopt, std::nullopt},     // a version number
        {"5-3/2024", std::nullopt, std::nullopt},   // separators differ
        {"31/31/2024", std::nullopt, std::nullopt},
        {"123/03/2024", std::nullopt, std::nullopt},
        {"05/03/20245", std::nullopt, std::nullopt},
        {"30/02/2024 or 01/03/2024", DateHit{"2024-03-01", true}, DateHit{"2024-01-03", true}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(matchNumericDate(QString(), c.text, false), c.dayFirst) << c.text;
        EXPECT_EQ(matchNumericDate(QString(), c.text, true), c.monthFirst) << c.text;
    }
}

// 05/03/2024 reads as the document writes its dates: as its unambiguous dates do, else as
// its currency and its language suggest; a text of figures alone follows the interface
// language, and an explicit order always wins.
TEST(DateRecognition, ReadingOrderFollowsTheDocumentThenTheInterfaceLanguage)
{
    {
        const PinnedEnvironment pinned(QDate(2025, 6, 15), "en");
        EXPECT_EQ(contentDateHit("05/03/2024", {}), (DateHit{"2024-05-03", true}));
        EXPECT_EQ(contentDateHit("05/03/2024", {}, false), (DateHit{"2024-03-05", true}));
        EXPECT_EQ(contentDateHit("Date 05/03/2024\nTotal €12.00", {}).date, "2024-03-05");
        EXPECT_EQ(contentDateHit("Date 05/03/2024 Total £12.00", {}).date, "2024-03-05");
        EXPECT_EQ(contentDateHit("日期 05/03/2024", {}).date, "2024-03-05");
    }
    const PinnedEnvironment pinned(QDate(2025, 6, 15), "zh-Hans");
    EXPECT_EQ(contentDateHit("05/03/2024", {}), (DateHit{"2024-03-05", true}));
    EXPECT_EQ(contentDateHit("05/03/2024", {}, true), (DateHit{"2024-05-03", true}));
    EXPECT_EQ(contentDateHit("Date 05/03/2024\nTotal $12.00", {}).date, "2024-05-03");
    EXPECT_EQ(contentDateHit("Invoice date 05/03/2024", {}).date, "2024-05-03");
    // An unambiguous date of the same document decides over its currency.
    EXPECT_EQ(contentDateHit("Date 05/03/2024, due 25/03/2024, $12.00", {}).date, "2024-03-05");
    EXPECT_EQ(contentDateHit("Date 05/03/2024, due 03/25/2024, €12.00", {}).date, "2024-05-03");
}

TEST(DateRecognition, AnchorsComeFirstWithinTenNonDigits)
{
    const PinnedEnvironment pinned;
    const QStringList anchors{"Invoice Date", "Date"};
    struct Case
    {
        const char *text;
        QString expected;
    };
    const Case cases[] = {
        {"Printed 2024-01-02\nInvoice Date: 2024-03-05", "2024-03-05"},
        {"Printed 2024-01-02\nInvoice Date: March 5, 2024", "2024-03-05"},
        {"Printed 2024-01-02\nInvoice Date: 25/03/2024", "2024-03-25"},
        // Exactly ten non-digits between anchor and date, then eleven.
        {"Printed 2024-01-02 Date:abcdefgh 2024-03-05", "2024-03-05"},
        // Eleven: not the anchor's; and a printed date is never the document's.
        {"Printed 2024-01-02 Date:abcdefghi 2024-03-05", "2024-03-05"},
        {"Created 2024-01-02 Date:abcdefghi 2024-03-05", "2024-01-02"},
        // The anchor's first year-first date is impossible: no second one for that anchor,
        // but the month-name step still reads.
        {"Date: 2024-02-30, March 5, 2024", "2024-03-05"},
        {"Date: 2024-02-30 and 2024-03-05", ""},
        {"no date here", ""},
        {"2024年3月5日", "2024-03-05"},
        {"开票日期：2024年03月05日", "2024-03-05"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(contentDateHit(c.text, anchors).date, c.expected) << c.text;

    EXPECT_EQ(contentDateHit("开票日期：2024年03月05日 打印 2024-06-01", {"开票日期"}).date, "2024-03-05");
    EXPECT_EQ(contentDateHit("打印 2024-06-01 开票日期：2024年03月05日", {}).date, "2024-06-01");
}

TEST(DateRecognition, ContentMonth)
{
    const PinnedEnvironment pinned;
    const std::pair<const char *, const char *> cases[] = {
        {"05/03/2024", ""},        // ambiguous: never cut to a month
        {"25/03/2024", "2024-03"},
        {"2024-03-05", "2024-03"},
        {"账单周期 2024年3月", "2024-03"},
        {"2024年3月", "2024-03"},
        {"March 5, 2024", "2024-03"},
        {"2099-03-01", ""},
        {"nothing", ""},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(contentMonth(text, {}), expected) << text;

    EXPECT_EQ(contentMonth("Printed 2024-01-02\nStatement Period: 2024-02-01 to 2024-02-29",
                           {"Statement Period"}),
              "2024-02");
    EXPECT_EQ(contentMonth("Printed 2024-01-02\nStatement Period: 2024-02-01", {}), "2024-01");
}

// A date labelled as due, printed, received, valid until, of birth or as a period's start
// is never the document's date, and a table's date stands below its label.
TEST(DateRecognition, TheDocumentsOwnDate)
{
    const PinnedEnvironment pinned;
    const QStringList invoice{"开票日期", "日期", "Invoice Date", "Date of Issue", "Date"};
    struct Case
    {
        const char *label;
        const char *text;
        QString expected;
    };
    const Case cases[] = {
        {"due date first", "Due Date   April 2, 2024\nDate of issue   March 3, 2024", "2024-03-03"},
        {"due in a sentence", "$49.00 due April 2, 2024\nIssued March 3, 2024", "2024-03-03"},
        {"printed before", "打印日期：2024-04-01\n收款日期：2024-03-05", "2024-03-05"},
        {"a received stamp", "RECEIVED\n12 APR 2024\nCity of Springfield\nMarch 28, 2024", "2024-03-28"},
        {"date of birth", "Date of birth: 14/07/2001\nPay date: 28/03/2024", "2024-03-28"},
        {"valid until", "Valid until 2025-01-31\nIssued 2024-12-01", "2024-12-01"},
        {"a period's start", "Billing period: 2024-03-01 - 2024-03-31", "2024-03-31"},
        {"a header row", "Invoice No.   Due Date     Invoice Date\nINV-1         2024-04-04   2024-03-05",
         "2024-03-05"},
        {"the value on the next line", "开票日期：\n2024年04月18日", "2024-04-18"},
        {"only a due date", "Payment due: 2024-04-15", ""},
        {"an airline date", "FLIGHT MU5101 12MAR24 PVG PEK", "2024-03-12"},
        {"an airline date, four digits", "DATE 05JAN2025", "2025-01-05"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(contentDateHit(c.text, invoice).date, c.expected) << c.label;
    EXPECT_EQ(matchMonthNameDate(QString(), "12MAR24")->date, "2024-03-12");
    EXPECT_FALSE(matchMonthNameDate(QString(), "12MARCH24X").has_value());
}

// A statement's month is the month its period ends in.
TEST(DateRecognition, StatementMonthIsThePeriodsEnd)
{
    const PinnedEnvironment pinned;
    const QStringList anchors{"账单周期", "Statement Period", "Billing Period", "Statement Date"};
    EXPECT_EQ(contentMonth("账单周期 2024/01/20-2024/02/19", anchors), "2024-02");
    EXPECT_EQ(contentMonth("账单周期：2024年01月20日至2024年02月19日", anchors), "2024-02");
    EXPECT_EQ(contentMonth("Statement Period: 02/01/2024 - 02/29/2024\nBalance $5.00", anchors), "2024-02");
    EXPECT_EQ(contentMonth("Statement Period: Jan 20, 2024 to Feb 19, 2024", anchors), "2024-02");
    EXPECT_EQ(contentMonth("Statement Date: 2024-03-01", anchors), "2024-03");
}

} // namespace
