#pragma once

// Texts of 200,000 characters that make careless patterns backtrack, shared by the pattern
// tests and the regex benchmark.
#include <QList>
#include <QString>
#include <QStringList>

#include <random>
#include <utility>

namespace HostileTexts {

inline QString repeated(const QString &unit, qsizetype length)
{
    QString text;
    text.reserve(length + unit.size());
    while (text.size() < length)
        text += unit;
    text.truncate(length);
    return text;
}

// Long runs of what the patterns repeat, each after the words that open a match, and a
// random soup of the words and signs the patterns look for.
inline QList<std::pair<QString, QString>> hostileTexts()
{
    constexpr qsizetype size = 200000;
    const auto after = [&](const QString &head, const QString &unit, const QString &tail = {}) {
        return head + repeated(unit, size - head.size() - tail.size()) + tail;
    };
    QList<std::pair<QString, QString>> texts{
        {"digits", repeated("1", size)},
        {"digits and commas", repeated("1,", size)},
        {"commas then digits", repeated("1,,,", size)},
        {"dotted capitals", repeated("A.", size)},
        {"capital words", repeated("A ", size)},
        {"company words", repeated("Acme ", size)},
        {"spaces", repeated(" ", size)},
        {"blank lines", repeated(" \n", size)},
        {"ideographs", repeated("中", size)},
        {"organisation words", repeated("有限", size)},
        {"shops", repeated("店", size)},
        {"separators", repeated("_-", size)},
        {"due label then digits", after("Total Due ", "1")},
        {"due label then spaces", after("Total", " ", "x")},
        {"month then spaces", after("Mar 5", " ", "x")},
        {"month then commas", after("Date March 5", " , ")},
        {"bank then spaces", after("Acme Bank", " ", "x")},
        {"bank then commas", after("Acme Bank", " ,", "x")},
        {"anchor then blank lines", after("Vendor", " \n")},
        {"anchor then spaces", after("Seller", "\t ")},
        {"name label then ideographs", after("名称：", "中")},
        {"figures label then digits", after("小写）¥", "1")},
        {"copy counter", after("(", " ", "(1)x")},
        {"image name", after("IMG", "_", "x")},
    };
    // A random soup of the words and signs the patterns look for.
    const QStringList words{"Total", "Due", " ", "\n", "$", "1", ",", ".", "00", "Mar", "5th",
                            "2024", "年", "月", "中", "有限公司", "名称：", "小写）", "Bill To",
                            "Inc", "Bank", "of", "A", "-", "(", ")", "Date", "/", "03", "USD",
                            "元", "纳税人识别号", "Acme", "\t", ":", "Vendor", "店"};
    std::mt19937 random(7);
    QString soup;
    while (soup.size() < size)
        soup += words[random() % words.size()];
    soup.truncate(size);
    texts.append({"soup", soup});
    return texts;
}

} // namespace HostileTexts
