// Organisation names, invoice parties, institutions, railway tickets.
#include "ContentTestSupport.h"
#include "ContentPatterns.h"
#include "Localization.h"

#include <gtest/gtest.h>

namespace {

using namespace ScenarioDetector;

TEST(Parties, CleanOrgNameTable)
{
    const std::pair<QString, QString> cases[] = {
        {"Acme Corp, 12 Main St", "Acme Corp"},
        {"Seller: Acme Corp", "Acme Corp"},
        {"Bill To: Acme Corp", "To: Acme Corp"},   // one label word goes
        {"  Vendor - Foo Ltd  ", "Foo Ltd"},
        {"—Acme Corp—", "Acme Corp"},
        {"Buyer：北京甲乙科技有限公司", "北京甲乙科技有限公司"},
        {"Name张三丰", "张三丰"},                  // a label glued to Chinese text
        {"Companyname Ltd", "Companyname Ltd"},     // not a label: the word goes on
        {"12 Main Street", ""},
        {"billing@acme.com", ""},
        {"www.acme.com", ""},
        {"https://acme.com/billing", ""},
        {"A", ""},
        {"---", ""},
        {"Customer", ""},
        {"a1 b2", ""},                              // no two letters in a row
        {"ab", "ab"},
        {QString("x").repeated(48), QString("x").repeated(48)},
        {QString("x").repeated(49), ""},
        {QString("公").repeated(48), QString("公").repeated(48)},
    };
    for (const auto &[candidate, expected] : cases)
        EXPECT_EQ(cleanOrgName(candidate), expected) << candidate.toStdString();
}

TEST(Parties, LineAfterAnchorLayouts)
{
    const QStringList vendor{"Vendor"};
    const std::pair<const char *, const char *> cases[] = {
        {"Vendor: Acme Corp\nother", "Acme Corp"},
        {"Vendor:\nAcme Corp", "Acme Corp"},            // a colon alone: the next line
        {"Vendor:   \n   Acme Corp", "Acme Corp"},
        {"Vendor\t:\tAcme Corp", "Acme Corp"},
        {"Vendor:\n\nAcme Corp", ""},                   // a colon, then a blank line
        {"Vendor\n\nAcme Corp", "Acme Corp"},           // no colon: blank lines skipped
        {"Vendors: Acme Corp", ""},                     // the anchor is a whole word
        {"VENDOR：北京甲乙科技有限公司", "北京甲乙科技有限公司"},
        {"Vendor: 12345\nVendor: Acme Corp", ""},       // only the first match counts
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(lineAfterAnchor(vendor, text), expected) << text;

    // Anchors are tried in order; one whose name is unusable gives way to the next.
    EXPECT_EQ(lineAfterAnchor({"Seller", "Vendor"}, "Vendor: A Co\nSeller: B Co"), "B Co");
    EXPECT_EQ(lineAfterAnchor({"Seller", "Vendor"}, "Seller: 12345\nVendor: Acme"), "Acme");
    EXPECT_EQ(lineAfterAnchor({R"(Bill\s+To)"}, "BILL   TO:\nGlobex"), "Globex");
}

TEST(Parties, EnglishCompaniesInTextOrder)
{
    EXPECT_EQ(enOrgs("Billed by Acme Widgets Inc. and Foo Bar LLC, also Acme Widgets Inc."),
              (QStringList{"Acme Widgets Inc.", "Foo Bar LLC", "Acme Widgets Inc."}));
    EXPECT_EQ(enOrgs("From Acme Inc"), QStringList{"Acme Inc"}); // the label goes
    EXPECT_EQ(enOrgs("J.P. Morgan Co. and Siemens AG"),
              (QStringList{"J.P. Morgan Co.", "Siemens AG"}));
    EXPECT_EQ(enOrgs("Widgets Pty  Ltd"), QStringList{"Widgets Pty  Ltd"});
    EXPECT_EQ(enOrgs("ACME CORP and acme inc"), QStringList{}); // suffixes are case-sensitive
    EXPECT_EQ(enOrgs("发票Globex Corp"), QStringList{"Globex Corp"});
}

TEST(Parties, EnglishParties)
{
    EXPECT_EQ(enParties("Bill To: Acme Corp\n\nFrom: Widget Co. Ltd"),
              (Parties{"Acme Corp", "Widget Co. Ltd"}));
    // No seller label: the first company that is not the buyer, ignoring case.
    EXPECT_EQ(enParties("Bill To: ACME CORP.\n\nthank you\nAcme Corp. and Globex Inc."),
              (Parties{"ACME CORP.", "Globex Inc."}));
    EXPECT_EQ(enParties("thank you\nGlobex Inc."), (Parties{"", "Globex Inc."}));
    EXPECT_EQ(enParties("nothing here"), (Parties{}));
}

TEST(Parties, ChineseInvoicePartiesChooseTheirList)
{
    const PinnedEnvironment pinned;
    // Two names before tax numbers: buyer first, seller second.
    EXPECT_EQ(invoiceParties("购买方 名称：北京甲乙科技有限公司 纳税人识别号：91110000\n"
                             "销售方 名称：上海丙丁贸易有限公司 纳税人识别号：91310000"),
              (Parties{"北京甲乙科技有限公司", "上海丙丁贸易有限公司"}));
    // One name each way: the tax-number list is kept, and one name is the seller.
    EXPECT_EQ(invoiceParties("名称：张三李四\n王五赵六纳税人识别号：123"), (Parties{"", "王五赵六"}));
    // The 名称 list has more names: it is used.
    EXPECT_EQ(invoiceParties("名称：张三李四 名称：王五赵六 钱七孙八纳税人识别号：1"),
              (Parties{"张三李四", "王五赵六"}));
    // Names that end in an organisation word: their order tells buyer from seller only
    // beside the buyer's and the seller's blocks; elsewhere the seller is the company
    // heading the page, and no second company is the seller by its place.
    EXPECT_EQ(invoiceParties("购买方 北京甲乙科技有限公司 销售方 上海丙丁酒店 开具"),
              (Parties{"北京甲乙科技有限公司", "上海丙丁酒店"}));
    EXPECT_EQ(invoiceParties("开给北京甲乙科技有限公司，上海丙丁酒店 开具"), (Parties{}));
    EXPECT_EQ(invoiceParties("深圳市小明五金店销售单\n购方：深圳市蓝海科技有限公司\n购方开户银行：招商银行深圳分行"),
              (Parties{"深圳市蓝海科技有限公司", "深圳市小明五金店"}));
    // A line that is a label is never a party.
    EXPECT_EQ(invoiceParties("收据\n购方开户银行：\n收款单位：杭州某某物业管理有限公司"),
              (Parties{"", "杭州某某物业管理有限公司"}));
    // No Chinese names: the English rules.
    EXPECT_EQ(invoiceParties("Invoice\nBill To: Acme Corp\nFrom: Widget Ltd"),
              (Parties{"Acme Corp", "Widget Ltd"}));
    EXPECT_EQ(invoiceParties("发票"), (Parties{}));
}

TEST(Parties, RailwayTicketsAreSoldByChinaRailway)
{
    const PinnedEnvironment pinned;
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    EXPECT_EQ(invoiceParties("中国铁路电子客票 乘车人单位：北京某某科技有限公司 G1234"),
              (Parties{"北京某某科技有限公司", "中国铁路"}));
    EXPECT_EQ(invoiceParties("电子客票号：123 购买方名称：北京某某科技有限公司 统一社会信用代码：9111"),
              (Parties{"北京某某科技有限公司", "中国铁路"}));
    EXPECT_EQ(invoiceParties("铁路电子客票 G1234"), (Parties{"", "中国铁路"}));

    Loc::shared().setOverride(QStringLiteral("en"));
    EXPECT_EQ(invoiceParties("铁路电子客票 G1234").seller, "China Railway");
    Loc::shared().setOverride(std::nullopt);
}

TEST(Parties, TrimOrgSuffix)
{
    EXPECT_EQ(trimOrgSuffix("北京某某科技有限公司"), "北京某某科技");
    EXPECT_EQ(trimOrgSuffix("甲乙股份有限公司"), "甲乙");
    EXPECT_EQ(trimOrgSuffix("甲乙有限责任公司"), "甲乙");
    EXPECT_EQ(trimOrgSuffix("甲乙（公司）"), "甲乙");
    EXPECT_EQ(trimOrgSuffix("甲乙(公司)"), "甲乙");
    EXPECT_EQ(trimOrgSuffix("有限公司"), "有限公司");
    EXPECT_EQ(trimOrgSuffix("某股份有限公司"), "某股份有限公司"); // one character would be left
    EXPECT_EQ(trimOrgSuffix("甲乙集团"), "甲乙集团");
}

TEST(Parties, InstitutionsLetterheadFirst)
{
    const QString bank = ContentPatterns::bankTail();
    const std::pair<const char *, const char *> cases[] = {
        {"Acme Savings Bank\n123 Main Street\nStatement Period", "Acme Savings Bank"},
        // A name alone on one of the first three lines wins over an earlier mention.
        {"Your statement from Chase Bank\nFirst Republic Bank\n", "First Republic Bank"},
        {"Your statement from Chase Bank\nthanks", "Chase Bank"},
        {"a\nb\nc\nFirst Republic Bank", "First Republic Bank"},
        {"Bank of America, N.A.\nP.O. Box 1", "Bank of America, N.A."},
        {"Statement\nCitibank, N.A.\n", "Citibank, N.A."},
        {"Navy Federal Credit Union", "Navy Federal Credit Union"},
        {"ACME BANK", "ACME BANK"},
        {"中国银行Acme Bank", "Acme Bank"},
        {"The Bank will close", ""},          // a sentence opening
        {"Visit Main Street Bank", ""},       // an address word
        {"Main Street Bank", ""},
        {"the bank", ""},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(enInstitution(text, bank), expected) << text;

    const QString travel = ContentPatterns::travelTail();
    EXPECT_EQ(enInstitution("Booking at Hilton Garden Inn, Boston", travel), "Hilton Garden Inn, Boston");
    EXPECT_EQ(enInstitution("Delta Air Lines\nFlight 12", travel), "Delta Air Lines");
}

TEST(Parties, IsTrainAndScreenshotInstruction)
{
    EXPECT_TRUE(isTrain("铁路电子客票"));
    EXPECT_TRUE(isTrain("中国铁路祝您旅途愉快"));
    EXPECT_TRUE(isTrain("电子客票号:123"));
    EXPECT_FALSE(isTrain("电子客票"));

    EXPECT_EQ(screenshotTopicInstruction("en"),
              "下面是一张截图里 OCR 出的文字。只根据这些文字，用不超过 6 个英文单词的短语（尽量直接使用文字里出现的词）"
              "概括它在记录什么。必须基于文字本身，绝不编造文字里没有的人名/产品/主题；读不出明确主题就返回空字符串");
    EXPECT_EQ(screenshotTopicInstruction("zh-Hans"),
              "下面是一张截图里 OCR 出的文字。只根据这些文字，用不超过12字的中文短语"
              "概括它在记录什么。必须基于文字本身，绝不编造文字里没有的人名/产品/主题；读不出明确主题就返回空字符串");
    const PinnedEnvironment pinned(QDate(2025, 6, 15), "en");
    EXPECT_EQ(screenshotTopicInstruction(), screenshotTopicInstruction("en"));
}

// Labels, addresses, tax numbers and sentences are not parties; a company named below
// the page's head is not the seller by its place.
TEST(Parties, WhatIsNoParty)
{
    const std::pair<const char *, const char *> names[] = {
        {"Date", ""},
        {"Invoice number", ""},
        {"Ship To:", ""},
        {"购方开户银行", ""},
        {"纳税人识别号", ""},
        {"Tidewater Books <orders@tidewaterbooks.com>", "Tidewater Books"},
        {"orders@tidewaterbooks.com", ""},
        {"Kowalski Software Sp. z o.o. NIP 525-123-45-67", "Kowalski Software Sp. z o.o."},
        {"Nordlicht Trading GmbH VAT DE123456789", "Nordlicht Trading GmbH"},
        {"Acme Ltd, VAT No. GB123456789", "Acme Ltd"},
        {"上海某某贸易有限公司 税号：91310000MA1FL", "上海某某贸易有限公司"},
    };
    for (const auto &[candidate, expected] : names)
        EXPECT_EQ(cleanOrgName(candidate), expected) << candidate;

    struct Case
    {
        const char *label;
        const char *text;
        Parties expected;
    };
    const Case cases[] = {
        {"from in a sentence", "Lumen Coffee\nThank you for ordering from us!\nOrder Total $42.00", {}},
        {"from as a label, with an address", "From: Tidewater Books <orders@tidewaterbooks.com>\nTotal $5",
         {"", "Tidewater Books"}},
        {"labels in one column", "INVOICE\nFrom\nDate\nInvoice number\nBright Pixel Studio Ltd\n"
                                 "12 March 2024\nBill To\nHarbor Analytics LLC",
         {"Harbor Analytics LLC", "Bright Pixel Studio Ltd"}},
        {"a table of buyer and recipient", "Bill To:              Ship To:\nContoso Pharmacy Ltd  Contoso Warehouse",
         {"Contoso Pharmacy Ltd", ""}},
        {"a payment service at the foot", "Maya Chen Design\nINVOICE\nBill To:\nOrchard Labs Inc.\n"
                                          "Web design\nTotal Due: $2,400.00\nNotes\nThanks\n"
                                          "Payments are processed by Stripe, Inc.",
         {"Orchard Labs Inc.", ""}},
        {"the buyer's own name read shorter", "Bill To: Globex Corporation\nGlobex Corp", {"Globex Corporation", ""}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(enParties(c.text), c.expected) << c.label;
}

} // namespace
