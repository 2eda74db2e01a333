// Amounts with their currency, invoice totals, currency signs.
#include "ContentTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace ScenarioDetector;

TEST(Amounts, AmountTable)
{
    const PinnedEnvironment pinned;
    const std::pair<const char *, const char *> cases[] = {
        {"Total Due: $1,234.50", "$1234.50"},
        {"Amount Paid 99.00 USD", "$99"},             // sign taken from the code
        {"Grand Total €45", "€45"},
        {"Balance due\n  £ 7.5", "£7.5"},
        {"合计 ¥128.00", "¥128"},
        {"金额：128.00元", "¥128"},
        {"Subtotal 5.00 EUR", "€5"},
        {"Order paid $12.", "$12"},                   // a full stop is not part of the number
        {"Total: 0.00", ""},                          // zero is no amount
        {"Total: 0.00, card charged $8.20", "$8.20"}, // a zero row gives way to the next
        {"Price 1,200.00 元", "¥1200"},
        {"no amount at all", ""},
        // Decimal commas and other thousands separators.
        {"Total: 1.234,56 €\nPaid 12.00 USD", "€1234.56"},
        {"Summe 12,50 €", "€12.50"},
        {"Total TTC 1 234,56 €", "€1234.56"},
        {"Total 1.262 €", "€1262"},
        // The total, not a subtotal, a net or tax line, or a count, wherever it stands.
        {"SUBTOTAL 5.98\nTAX 0.42\nTOTAL 6.40", "$6.40"},
        {"Sub-total $38.00\nTotal $46.13", "$46.13"},
        {"Total items: 3\nTotal: $9.00", "$9"},
        {"Total tax $1.00\nGrand Total $11.00", "$11"},
        {"Subtotal   VAT    Total\n£100.00   £20.00   £120.00", "£120"},
        {"Total (incl. VAT)    1.262,00 €", "€1262"},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(amount(text), expected) << text;
}

// Without a sign or code, an English document counts in dollars and a Chinese one in
// yuan; figures alone follow the interface language.
TEST(Amounts, UnlabelledCurrencyFollowsTheDocumentThenTheInterfaceLanguage)
{
    for (const char *language : {"en", "zh-Hans"}) {
        const PinnedEnvironment pinned(QDate(2025, 6, 15), language);
        EXPECT_EQ(amount("Amount Due 1,000.00"), "$1000") << language;
        EXPECT_EQ(amount("合计 1,000.00"), "¥1000") << language;
    }
    {
        const PinnedEnvironment pinned(QDate(2025, 6, 15), "en");
        EXPECT_EQ(inferCurrency(""), "$");
        EXPECT_EQ(inferCurrency("12.00"), "$");
    }
    const PinnedEnvironment pinned(QDate(2025, 6, 15), "zh-Hans");
    EXPECT_EQ(inferCurrency(""), "¥");
    EXPECT_EQ(inferCurrency("12.00"), "¥");
}

TEST(Amounts, InvoiceTotal)
{
    const PinnedEnvironment pinned(QDate(2025, 6, 15), "en");
    const std::pair<const char *, const char *> cases[] = {
        // Full-width figures after the 小写 label.
        {"价税合计（大写）壹佰贰拾捌元整（小写）￥１２８．００", "¥128"},
        {"价税合计（大写）⊗壹仟贰佰捌拾元整 （小写） ¥1,280.50", "¥1280.50"},
        {"车票 票价：¥45.50", "¥45.50"},
        {"价税合计 ￥ 88.00", "¥88"},
        {"（小写）¥0.00", "¥0"},
        // A Chinese text without its own labels gets nothing, even with an English total.
        {"发票 Total Due: $12.00", ""},
        // An English text falls back to the general amount.
        {"Invoice\nTotal Due: $12.00", "$12"},
        {"Invoice\nTotal Due: ＄１２．００", "$12"}, // digits folded; the sign by language
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(invoiceTotal(text), expected) << text;
}

TEST(Amounts, SymAndInferCurrency)
{
    const PinnedEnvironment pinned;
    EXPECT_EQ(sym("", "人民币 100"), "¥");
    EXPECT_EQ(sym("usd", ""), "$");
    EXPECT_EQ(sym("美元", ""), "$");
    EXPECT_EQ(sym("eur", ""), "€");
    EXPECT_EQ(sym("英镑", ""), "£");
    EXPECT_EQ(sym("rmb", ""), "¥");
    EXPECT_EQ(sym("￥", ""), "¥");
    EXPECT_EQ(sym("元", ""), "¥");
    EXPECT_EQ(sym("xyz", "paid in GBP"), "£");

    // The tests run in order: yuan, dollar, euro, pound.
    EXPECT_EQ(inferCurrency("RMB and USD"), "¥");
    EXPECT_EQ(inferCurrency("USD and EUR"), "$");
    EXPECT_EQ(inferCurrency("cost 5€"), "€");
    EXPECT_EQ(inferCurrency("USDT €"), "€");    // not the word USD
    EXPECT_EQ(inferCurrency("中文说明"), "¥"); // an ideograph
}

} // namespace
