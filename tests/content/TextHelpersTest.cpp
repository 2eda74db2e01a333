// Digit folding, padding, name-part slugs, short dates and generic file names.
#include "ScenarioDetector.h"

#include <gtest/gtest.h>

namespace {

using namespace ScenarioDetector;

TEST(TextHelpers, NormDigitsFoldsFullWidthDigitsAndThreeSigns)
{
    EXPECT_EQ(normDigits("２０２４．０３．０５"), "2024.03.05");
    EXPECT_EQ(normDigits("￥１２８：００"), "¥128:00");
    // Other full-width letters and signs stay.
    EXPECT_EQ(normDigits("ＡＢ，（）"), "ＡＢ，（）");
    EXPECT_EQ(normDigits(""), "");
}

TEST(TextHelpers, Pad)
{
    EXPECT_EQ(pad(7), "07");
    EXPECT_EQ(pad(0), "00");
    EXPECT_EQ(pad(12), "12");
    EXPECT_EQ(pad(2024), "2024");
}

TEST(TextHelpers, SlugTable)
{
    const std::pair<QString, QString> cases[] = {
        {"  a/b:c  ", "a_b_c"},
        {"a\\b*c?d\"e<f>g|h", "a_b_c_d_e_f_g_h"},
        {"line one\nline\ttwo", "line_one_line_two"},
        {"many    spaces", "many_spaces"},
        {"..trailing dots..", "trailing_dots"},
        {". . .", ""},
        {"...", ""},
        {"", ""},
        // Cut to 40 characters, then "_" at the ends removed.
        {"abcdefghij abcdefghij abcdefghij abcdefgh ij", "abcdefghij_abcdefghij_abcdefghij_abcdefg"},
        {"abcdefghij abcdefghij abcdefghij abcdef ghi", "abcdefghij_abcdefghij_abcdefghij_abcdef"},
        // Characters are counted as the user sees them.
        {QString("e\u0301").repeated(45), QString("e\u0301").repeated(40)},
        {QString("中").repeated(50), QString("中").repeated(40)},
        // Never a hidden file name.
        {"/.hidden", "hidden"},
        {": .profile", "profile"},
        {"_a_", "_a_"},
    };
    for (const auto &[input, expected] : cases)
        EXPECT_EQ(slug(input), expected) << input.toStdString();
}

TEST(TextHelpers, ShortDate)
{
    EXPECT_EQ(shortDate("2024-03-05"), "03/05");
    EXPECT_EQ(shortDate("2024--03-05"), "03/05");
    EXPECT_EQ(shortDate("2024-03"), "2024-03");
    EXPECT_EQ(shortDate(""), "");
    EXPECT_EQ(shortDate("a-b-c-d"), "a-b-c-d");
}

TEST(TextHelpers, GenericNameTable)
{
    const std::pair<const char *, bool> cases[] = {
        {"IMG_20240305.jpg", true},
        {"Scan (3).pdf", true},
        {"新建文本文档.txt", true},
        {"Copy of budget.xlsx", true},
        {"2024-03-05.pdf", true},
        {"budget 2024.xlsx", false},
        {"untitled document.docx", true},
        {"Untitled-Document (12).pages", true},
        {"DSC_0042.JPG", true},
        {"微信图片_20240305101010.jpg", true},
        {"scan 2024_03_05.pdf", true},
        {"12345678901234.png", true},
        {"report 1.2.pdf", false},
        {"Quarterly report.pdf", false},
        {"image of cat.png", false},
        {"copy.pdf", true},
        {"copyright.pdf", false},
        {".hidden", false},
        {"", true},
        {"   ", true},
    };
    for (const auto &[name, generic] : cases)
        EXPECT_EQ(isGenericName(name), generic) << name;
}

TEST(TextHelpers, GenericNameWordsAreTheFortySixOfTheTable)
{
    EXPECT_EQ(genericNameWords().size(), 46);
    EXPECT_TRUE(genericNameWords().contains("scanned document"));
    EXPECT_TRUE(genericNameWords().contains("微信图片"));
}

} // namespace
