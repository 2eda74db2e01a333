#include "Format.h"

#include <QLocale>
#include <QMap>

#include <cmath>

namespace {

struct Placeholder
{
    qsizetype start = 0;
    qsizetype length = 0;
    int position = -1; // explicit 1-based argument position, or -1
    char kind = 0;     // '@', 'd' or 'f'; '%' for a literal percent sign
    int precision = -1;
};

// Reads one placeholder that begins at `from` (the '%'). Returns nothing for text that is
// not a placeholder this formatter knows, which is then copied as it stands.
std::optional<Placeholder> readPlaceholder(const QString &text, qsizetype from)
{
    Placeholder p;
    p.start = from;
    qsizetype i = from + 1;
    const qsizetype n = text.size();
    auto digitAt = [&](qsizetype k) { return k < n && text[k].isDigit() && text[k].unicode() < 128; };

    if (i < n && text[i] == u'%') {
        p.kind = '%';
        p.length = 2;
        return p;
    }
    // Positional "%n$".
    qsizetype k = i;
    int number = 0;
    while (digitAt(k) && k - i < 3)
        number = number * 10 + text[k++].digitValue();
    if (k > i && k < n && text[k] == u'$' && number > 0) {
        p.position = number;
        i = k + 1;
    }
    if (i < n && text[i] == u'.') {
        qsizetype j = i + 1;
        int precision = 0;
        while (digitAt(j) && j - i <= 2)
            precision = precision * 10 + text[j++].digitValue();
        if (j == i + 1)
            return std::nullopt;
        p.precision = precision;
        i = j;
    }
    while (i < n && (text[i] == u'l' || text[i] == u'q' || text[i] == u'z') && i - from < 8)
        ++i;
    if (i >= n)
        return std::nullopt;
    const QChar c = text[i];
    if (c == u'@' && p.precision < 0)
        p.kind = '@';
    else if ((c == u'd' || c == u'i' || c == u'u') && p.precision < 0)
        p.kind = 'd';
    else if (c == u'f')
        p.kind = 'f';
    else
        return std::nullopt;
    p.length = i + 1 - from;
    return p;
}

QString render(const FormatArg &value, const Placeholder &p)
{
    switch (p.kind) {
    case 'd':
        if (auto v = std::get_if<qlonglong>(&value))
            return QString::number(*v);
        if (auto v = std::get_if<double>(&value))
            return QString::number(qlonglong(std::trunc(*v)));
        return std::get<QString>(value);
    case 'f': {
        const int precision = p.precision < 0 ? 6 : p.precision;
        if (auto v = std::get_if<double>(&value))
            return QString::number(*v, 'f', precision);
        if (auto v = std::get_if<qlonglong>(&value))
            return QString::number(double(*v), 'f', precision);
        return std::get<QString>(value);
    }
    default:
        if (auto v = std::get_if<qlonglong>(&value))
            return QString::number(*v);
        if (auto v = std::get_if<double>(&value))
            return QString::number(*v, 'g', QLocale::FloatingPointShortest);
        return std::get<QString>(value);
    }
}

} // namespace

namespace Format {

QString apply(const QString &format, const FormatArgs &args)
{
    QString out;
    out.reserve(format.size() + 16);
    int nextSequential = 0;
    qsizetype i = 0;
    while (i < format.size()) {
        const qsizetype percent = format.indexOf(u'%', i);
        if (percent < 0) {
            out += QStringView(format).mid(i);
            break;
        }
        out += QStringView(format).mid(i, percent - i);
        const auto p = readPlaceholder(format, percent);
        if (!p) {
            out += u'%';
            i = percent + 1;
            continue;
        }
        i = percent + p->length;
        if (p->kind == '%') {
            out += u'%';
            continue;
        }
        const int index = p->position > 0 ? p->position - 1 : nextSequential++;
        if (index < args.size())
            out += render(args[index], *p);
        else
            out += QStringView(format).mid(p->start, p->length);
    }
    return out;
}

QList<std::pair<int, char>> signature(const QString &format)
{
    QMap<int, char> byIndex;
    int nextSequential = 0;
    qsizetype i = 0;
    while ((i = format.indexOf(u'%', i)) >= 0) {
        const auto p = readPlaceholder(format, i);
        if (!p) {
            ++i;
            continue;
        }
        i += p->length;
        if (p->kind == '%')
            continue;
        const int index = p->position > 0 ? p->position - 1 : nextSequential++;
        byIndex.insert(index, p->kind);
    }
    QList<std::pair<int, char>> result;
    for (auto it = byIndex.cbegin(); it != byIndex.cend(); ++it)
        result.append({it.key(), it.value()});
    return result;
}

} // namespace Format
