#include "NameCollator.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(NameCollator, DigitsByValueAndCaseIgnoredInBothLanguages)
{
    for (const char *locale : {"en_US", "zh_CN"}) {
        SCOPED_TRACE(locale);
        const NameCollator collator{QLocale(QString::fromLatin1(locale))};
        QStringList names{"Tool 10", "tool 9", "Tool 1", "b.txt", "A.txt", "报告 2", "报告 11"};
        std::sort(names.begin(), names.end(),
                  [&](const QString &a, const QString &b) { return collator.lessThan(a, b); });
        EXPECT_LT(names.indexOf("Tool 1"), names.indexOf("tool 9"));
        EXPECT_LT(names.indexOf("tool 9"), names.indexOf("Tool 10"));
        EXPECT_LT(names.indexOf("A.txt"), names.indexOf("b.txt"));
        EXPECT_LT(names.indexOf("报告 2"), names.indexOf("报告 11"));
        EXPECT_EQ(collator.compare("a.txt", "A.txt"), 0);
        // Sort keys order exactly as the comparison does.
        EXPECT_LT(collator.sortKey("Tool 9").compare(collator.sortKey("Tool 10")), 0);
    }
}

} // namespace
