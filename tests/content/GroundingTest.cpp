// The grounding check of model answers and the confidence shown for a finding.
#include "ScenarioDetector.h"

#include <gtest/gtest.h>

namespace {

using namespace ScenarioDetector;

TEST(Grounding, GroundedTable)
{
    struct Case
    {
        QString value;
        QString text;
        bool grounded;
    };
    const Case cases[] = {
        {"", "anything", false},
        {"   ", "   ", false},
        // One or two characters: literal containment only.
        {"ab", "xABy", true},
        {"ab", "a b", false},
        {"中", "中国", true},
        {"中文", "中国文字", false},
        // Latin answers: containment, else two neighbouring words together in the text.
        {"Acme Widgets", "ACME WIDGETS INC", true},
        {"Acme Blue Widgets", "invoice from acme blue ltd", true},
        {"Acme Blue Widgets", "acme and blue widgets", true},
        {"Acme-Widgets", "acme widgets", true},   // separators are not restored
        {"Blue Acme", "acme blue", false},
        {"Zorblat", "nothing like it", false},     // a single word absent from the text
        {"x y z", "x y", false},                   // all words of one letter
        {" Acme Widgets \n", "acme widgets", true},
        // Answers with CJK characters: a common run of n/2 (at least 3 up to n = 4).
        {"北京站", "北京南站", false},              // n = 3 needs all three
        {"北京站", "到北京站了", true},
        {"北京南站", "去北京南", true},             // n = 4 needs 3
        {"北京南站", "北京西站", false},
        {"甲乙丙丁戊", "乙丙丁", true},             // n = 5 needs 3
        {"甲乙丙丁戊", "乙丙x丁戊", false},
        {"甲乙丙丁戊己", "丁戊己", true},           // n = 6 needs 3
        {"甲乙丙丁戊己", "甲乙 戊己", false},
        {"甲乙丙丁戊己庚", "甲乙丙丁", true},       // n = 7 needs 4
        {"甲乙丙丁戊己庚", "甲乙丙 戊己庚", false},
        // Mixed answers are judged by the common run only.
        {"Acme公司", "ACME", true},
        {"Acme公司", "公司 ac", false},
        // Characters as the user sees them, in either Unicode form.
        {QString::fromUtf8("cafe\xCC\x81"), QString::fromUtf8("le caf\xC3\xA9"), true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(grounded(c.value, c.text), c.grounded)
            << c.value.toStdString() << " in " << c.text.toStdString();
}

TEST(Grounding, FinalConfidenceTable)
{
    using Conf = ScenarioMatch::Conf;
    struct Case
    {
        int quality;
        int strength;
        bool grounded;
        Conf expected;
    };
    const Case cases[] = {
        // A model-filled slot that failed grounding: always low.
        {0, 5, false, Conf::low},
        {1, 5, false, Conf::low},
        {3, 0, false, Conf::low},
        // Text-grade extraction.
        {0, 2, true, Conf::high},
        {0, 7, true, Conf::high},
        {0, 1, true, Conf::medium},
        {0, 0, true, Conf::low},
        {0, -1, true, Conf::low},
        // Recognised text and PDFs without text: never high.
        {1, 5, true, Conf::medium},
        {1, 1, true, Conf::medium},
        {1, 0, true, Conf::low},
        {2, 3, true, Conf::medium},
        {2, 0, true, Conf::low},
        // Anything else.
        {3, 5, true, Conf::low},
        {-1, 5, true, Conf::low},
        {9, 5, true, Conf::low},
    };
    for (const Case &c : cases)
        EXPECT_EQ(finalConfidence(c.quality, c.strength, c.grounded), c.expected)
            << c.quality << "/" << c.strength << "/" << c.grounded;

    // The extractor's enumeration goes through its case order.
    enum class Quality { textual, ocr, pdfNoText, other };
    EXPECT_EQ(finalConfidence(Quality::textual, 2, true), Conf::high);
    EXPECT_EQ(finalConfidence(Quality::ocr, 2, true), Conf::medium);
    EXPECT_EQ(finalConfidence(Quality::pdfNoText, 1, true), Conf::medium);
    EXPECT_EQ(finalConfidence(Quality::other, 2, true), Conf::low);
}

} // namespace
