// Runs every pattern of the content readers over 200,000 characters of hostile text, the
// way the readers search with it, and reports the slowest pattern. The reference is a
// plain literal search over the same texts (ICU's scan for one fixed word), so the ratio
// says how many times a full pass of a pattern costs.
#include "ContentPatterns.h"
#include "HostileTexts.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

using HostileTexts::hostileTexts;

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
