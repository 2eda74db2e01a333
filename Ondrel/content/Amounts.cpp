#include "ContentPatterns.h"
#include "ScenarioDetector.h"

#include <vector>

namespace ScenarioDetector {

namespace {

using ContentPatterns::Id;

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Whether the text holds `number` directly followed by more digits, a comma and exactly
// two digits ("1.234,56"): the text writes decimal commas. Searched in one pass (KMP) so a
// long run of digits costs linear time.
bool writesDecimalComma(const QString &text, const QString &number)
{
    const qsizetype n = text.size();
    const qsizetype m = number.size();
    if (m == 0 || m > n)
        return false;
    // commaAfter[i]: from i, digits, then ",", two digits and no third one.
    std::vector<char> commaAfter(n + 1, 0);
    for (qsizetype i = n - 1; i >= 0; --i) {
        if (isAsciiDigit(text[i]))
            commaAfter[i] = commaAfter[i + 1];
        else
            commaAfter[i] = text[i] == u',' && i + 2 < n && isAsciiDigit(text[i + 1])
                            && isAsciiDigit(text[i + 2]) && (i + 3 >= n || !isAsciiDigit(text[i + 3]));
    }
    std::vector<qsizetype> border(m, 0);
    for (qsizetype i = 1, k = 0; i < m; ++i) {
        while (k > 0 && number[i] != number[k])
            k = border[k - 1];
        if (number[i] == number[k])
            ++k;
        border[i] = k;
    }
    for (qsizetype i = 0, k = 0; i < n; ++i) {
        while (k > 0 && text[i] != number[k])
            k = border[k - 1];
        if (text[i] == number[k])
            ++k;
        if (k == m) {
            if (commaAfter[i + 1])
                return true;
            k = border[k - 1];
        }
    }
    return false;
}

// The number as it goes into a name: no thousands separators, no ".00", no lone "." left
// over from a sentence's full stop.
QString tidyNumber(QString number)
{
    number.remove(u',');
    if (number.endsWith(QLatin1String(".00")))
        number.chop(3);
    if (number.endsWith(u'.'))
        number.chop(1);
    return number;
}

bool isPositive(const QString &number)
{
    for (QChar c : number) {
        if (c >= u'1' && c <= u'9')
            return true;
    }
    return false;
}

} // namespace

QString amount(const QString &text)
{
    struct Row
    {
        Id pattern;
        int sign;
        int number;
    };
    static constexpr Row rows[] = {
        {Id::amountDueSign, 1, 2},   {Id::amountDueFigure, 1, 2}, {Id::amountTotalWord, 1, 2},
        {Id::amountSign, 1, 2},      {Id::amountCode, 2, 1},
    };
    for (const Row &row : rows) {
        const auto g = Rx::groups(ContentPatterns::get(row.pattern), text);
        if (!g || g->size() <= std::max(row.sign, row.number))
            continue;
        const QString &number = (*g)[row.number];
        if (writesDecimalComma(text, number))
            return QString();
        const QString value = tidyNumber(number);
        if (!value.isEmpty() && isPositive(value))
            return sym((*g)[row.sign], text) + value;
    }
    return QString();
}

QString invoiceTotal(const QString &text)
{
    const QString folded = normDigits(text);
    for (Id id : {Id::totalFigures, Id::totalTicketPrice, Id::totalTaxIncluded}) {
        const auto g = Rx::groups(ContentPatterns::get(id), folded);
        if (g && g->size() >= 2)
            return inferCurrency(folded) + tidyNumber((*g)[1]);
    }
    // A Chinese document without one of its own total labels gets no amount.
    if (Rx::matches(ContentPatterns::get(Id::cjkIdeograph), folded))
        return QString();
    return amount(folded);
}

QString inferCurrency(const QString &text)
{
    static constexpr std::pair<Id, char16_t> tests[] = {
        {Id::currencyYuan, u'¥'},
        {Id::currencyDollar, u'$'},
        {Id::currencyEuro, u'€'},
        {Id::currencyPound, u'£'},
    };
    for (const auto &[id, sign] : tests) {
        if (Rx::matches(ContentPatterns::get(id), text))
            return QString(QChar(sign));
    }
    if (Rx::matches(ContentPatterns::get(Id::cjkIdeograph), text))
        return QStringLiteral("¥");
    return uiLanguage() == u"en" ? QStringLiteral("$") : QStringLiteral("¥");
}

QString sym(const QString &code, const QString &text)
{
    const QString c = code.toUpper();
    if (c == u"$" || c == u"USD" || c == u"美元")
        return QStringLiteral("$");
    if (c == u"€" || c == u"EUR" || c == u"欧元")
        return QStringLiteral("€");
    if (c == u"£" || c == u"GBP" || c == u"英镑")
        return QStringLiteral("£");
    if (c == u"¥" || c == u"￥" || c == u"CNY" || c == u"RMB" || c == u"元")
        return QStringLiteral("¥");
    return inferCurrency(text);
}

} // namespace ScenarioDetector
