// Runs every pattern of the content readers over 200,000 characters of hostile text, the
// way the readers search with it, and reports the slowest pattern. The reference is a
// plain literal search over the same texts (ICU's scan for one fixed word), so the ratio
// says how many times a full pass of a pattern costs.
#include "ContentPatterns.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

QString repeated(const QString &unit, qsizetype length)
{
    QString text;
    text.reserve(length + unit.size());
    while (text.size() < length)
        text += unit;
    text.truncate(length);
    return text;
}

QList<std::pair<QString, QString>> hostileTexts()
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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const auto texts = hostileTexts();

    // Reference: one literal word searched over every text.
    const ContentPatterns::Entry reference{QStringLiteral("reference"), QStringLiteral("Invoice"),
                                           Rx::NoOptions};
    double referenceSeconds = 0;
    for (const auto &[label, text] : texts)
        referenceSeconds = std::max(referenceSeconds, ContentPatterns::scan(reference, text).seconds);

    struct Result
    {
        QString name;
        QString text;
        double seconds = 0;
        bool hitLimit = false;
    };
    QList<Result> slowest;
    int patterns = 0;
    int failures = 0;
    for (const auto &entry : ContentPatterns::catalogue()) {
        ++patterns;
        Result worst{entry.name, {}, 0, false};
        for (const auto &[label, text] : texts) {
            const Rx::ScanResult result = ContentPatterns::scan(entry, text);
            if (result.hitLimit || !result.valid)
                ++failures;
            if (result.seconds > worst.seconds)
                worst = Result{entry.name, label, result.seconds, result.hitLimit};
        }
        slowest << worst;
    }
    std::sort(slowest.begin(), slowest.end(),
              [](const Result &a, const Result &b) { return a.seconds > b.seconds; });

    std::printf("regex: %d patterns x %lld hostile texts of 200,000 characters\n", patterns,
                static_cast<long long>(texts.size()));
    for (qsizetype i = 0; i < std::min<qsizetype>(5, slowest.size()); ++i)
        std::printf("  %-36s %8.1f ms  (%s)\n", qPrintable(slowest[i].name),
                    slowest[i].seconds * 1000, qPrintable(slowest[i].text));
    std::printf("regex: slowest pattern %s: %.1f ms on \"%s\"; literal search %.2f ms; ratio %.0fx\n",
                qPrintable(slowest.first().name), slowest.first().seconds * 1000,
                qPrintable(slowest.first().text), referenceSeconds * 1000,
                slowest.first().seconds / std::max(referenceSeconds, 1e-9));
    if (failures > 0)
        std::printf("regex: %d searches stopped at the engine's limits or did not compile\n", failures);
    return failures > 0 ? 1 : 0;
}
