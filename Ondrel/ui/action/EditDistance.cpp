#include "EditDistance.h"

#include <QList>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace EditDistance {

QStringList characters(const QString &text)
{
    QStringList result;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        if (end > start)
            result << text.mid(start, end - start).normalized(QString::NormalizationForm_C);
        start = end;
    }
    return result;
}

int levenshtein(const QString &a, const QString &b)
{
    const QStringList left = characters(a);
    const QStringList right = characters(b);
    const int m = int(left.size());
    const int n = int(right.size());
    if (m == 0)
        return n;
    if (n == 0)
        return m;
    QList<int> previous(n + 1);
    QList<int> current(n + 1, 0);
    for (int j = 0; j <= n; ++j)
        previous[j] = j;
    for (int i = 1; i <= m; ++i) {
        current[0] = i;
        for (int j = 1; j <= n; ++j) {
            if (left[i - 1] == right[j - 1])
                current[j] = previous[j - 1];
            else
                current[j] = 1 + std::min({previous[j - 1], previous[j], current[j - 1]});
        }
        std::swap(previous, current);
    }
    return previous[n];
}

int bucket(int distance)
{
    if (distance <= 0)
        return 0;
    if (distance <= 3)
        return 1;
    if (distance <= 10)
        return 2;
    return 3;
}

} // namespace EditDistance
