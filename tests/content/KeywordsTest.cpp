// The keyword matcher of the detector's lists, and where a label's value stands in text
// laid out as a page.
#include "ContentTestSupport.h"
#include "Keywords.h"
#include "TextLayout.h"

#include <gtest/gtest.h>

namespace {

TEST(Keywords, OnlyWholeWordsCount)
{
    struct Case
    {
        const char *keyword;
        const char *text;
        bool found;
    };
    const Case cases[] = {
        {"Boarding", "Employee Onboarding Checklist", false},
        {"Boarding", "BOARDING PASS", true},
        {"Paid", "Order 1042 is unpaid.", false},
        {"Paid", "prepaid card", false},
        {"Paid", "Status: Paid", true},
        {"MOU", "Total Amount", false},
        {"MOU", "MOU between the parties", true},
        {"Invoice", "Invoices are issued monthly", false},
        {"Payment Successful", "Payment\n  Successful", true},
        {"12306", "12306.cn", true},
        {"12306", "4123067", false},
        {"Check-in", "Online check-in opens", true},
        {"Invoice", "发票Invoice No. 7", true}, // Latin beside Chinese stands apart
        // A Chinese keyword at the head of a longer label with another meaning.
        {"交易流水", "交易流水号 2024030512345678", false},
        {"交易流水", "交易流水号 1\n个人交易流水明细", true},
        {"合同", "合同编号：HT-01", false},
        {"合同", "劳动合同", true},
        {"支付成功", "支付成功率提升到99%", false},
        {"支付成功", "支付成功 ¥35.00", true},
        {"余额", "余额宝转入", false},
        {"入住", "入住率 85%", false},
        {"身份证", "身份证号：110101199001011234", false},
        {"身份证", "居民身份证", true},
        {"", "anything", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Keywords::contains(c.keyword, c.text), c.found) << c.keyword << " in " << c.text;

    const QStringList list{"Boarding", "航班", "Passenger"};
    EXPECT_EQ(Keywords::count(list, "Onboarding: meet the Passenger of 航班"), 2);
    EXPECT_EQ(Keywords::first(list, "Onboarding: 航班 and Passenger"), "航班");
    EXPECT_FALSE(Keywords::any(list, "onboarding"));
}

QString at(const QString &text, const TextLayout::Span &span)
{
    return text.mid(span.start, span.end - span.start);
}

QStringList valuesOf(const QString &text, const QString &label)
{
    const qsizetype start = text.indexOf(label);
    QStringList values;
    for (const TextLayout::Span &span : TextLayout::valueSpans(text, start, start + label.size()))
        values << at(text, span);
    return values;
}

TEST(TextLayout, ValuesBesideAndBelowTheirLabels)
{
    // On the label's line, after a colon.
    EXPECT_EQ(valuesOf("Invoice Date: 2024-03-05\nTotal 5", "Invoice Date"),
              QStringList({"2024-03-05", "Total 5"}));
    // In the next cell of the line.
    EXPECT_EQ(valuesOf("Date of issue    March 3, 2024", "Date of issue"),
              QStringList({"March 3, 2024"}));
    // A header row: each label's value stands below it in its column.
    const QString table = "Invoice No.      Due Date        Invoice Date\n"
                          "INV-20417        04/04/2024      05/03/2024\n";
    EXPECT_EQ(valuesOf(table, "Invoice Date"), QStringList({"05/03/2024"}));
    EXPECT_EQ(valuesOf(table, "Due Date"), QStringList({"Invoice Date", "04/04/2024"}));
    // A label alone on its line: the next non-empty line.
    EXPECT_EQ(valuesOf("RECEIVED\n\n12 APR 2024\n", "RECEIVED"), QStringList({"12 APR 2024"}));
    // Wide characters take two columns.
    const QString chinese = "购买方名称          销售方名称\n"
                            "甲公司              乙公司";
    EXPECT_EQ(valuesOf(chinese, "销售方名称"), QStringList({"乙公司"}));
    // Nothing after the last line.
    EXPECT_TRUE(valuesOf("Total", "Total").isEmpty());
}

TEST(TextLayout, CellsSplitAtWideGaps)
{
    const QString line = "a b  c\td | e";
    QStringList texts;
    for (const TextLayout::Span &span : TextLayout::cells(line, 0, line.size()))
        texts << at(line, span);
    EXPECT_EQ(texts, QStringList({"a b", "c", "d", "e"}));
}

} // namespace
