// The text as the rules read it: what scanners and writers leave behind is folded away.
#include "DetectTestSupport.h"

#include <gtest/gtest.h>

namespace {

using ScenarioDetector::keywordText;
using ScenarioDetector::readingText;

TEST(ReadingText, FoldsWhatRecognitionAndTypesettingLeave)
{
    const Pinned pinned;
    const std::pair<QString, QString> cases[] = {
        {"发 票", "发票"},
        {"增 值 税 电 子\t普 通 发 票", "增值税电子普通发票"},
        // A wider gap separates two columns.
        {"增 值 税  电 子", "增值税  电子"},
        {"名称：甲公司     名称：乙公司", "名称:甲公司     名称:乙公司"},
        {"2024 年 3 月 5 日", "2024年3月5日"},
        {"金额 100.00 元", "金额100.00元"},
        {"开票日期 ： 2024", "开票日期 : 2024"},         // the colon folds; its spaces stay
        {"《 合同 》", "《合同》"},
        {"PayPal 付款", "PayPal 付款"},                   // Latin next to Chinese keeps its space
        {"Acme Corp 12 Main St", "Acme Corp 12 Main St"},
        {"发票\n号码", "发票\n号码"},                     // line breaks stay
        {"ＩＮＶＯＩＣＥ Ｎｏ．１２", "INVOICE No.12"},
        {"￥１２８．００", "¥128.00"},
        {"Conﬁrmation ﬂight", "Confirmation flight"},
        {QStringLiteral("a\u00A0b\u3000c\u2009d"), "a b c d"},
        {QStringLiteral("in\u200Bvoice\u00ADs"), "invoices"},
        {"Driver’s License", "Driver's License"},
        {"2024–03–05", "2024-03-05"},
        {"", ""},
    };
    for (const auto &[input, expected] : cases)
        EXPECT_EQ(readingText(input), expected) << input.toStdString();
}

TEST(ReadingText, KeywordTextJoinsSpacedLettersAndTraditionalForms)
{
    const Pinned pinned;
    const std::pair<QString, QString> cases[] = {
        {"I N V O I C E", "INVOICE"},
        {"S T A T E M E N T\nAcme", "STATEMENT\nAcme"},
        {"Plan A B C now", "Plan A B C now"},     // three letters are not a spaced word
        {"I N V O I C E 2024", "INVOICE 2024"},
        {"xI N V O", "xI N V O"},                 // "xI" is a word of its own: three left
        {"統一發票", "统一发票"},
        {"信用卡月結單 對帳單", "信用卡月结单对账单"},
        {"中華民國身分證", "中华民国身份证"},
        {"ｉｎｖｏｉｃｅ", "invoice"},
    };
    for (const auto &[input, expected] : cases)
        EXPECT_EQ(keywordText(input), expected) << input.toStdString();
}

} // namespace
