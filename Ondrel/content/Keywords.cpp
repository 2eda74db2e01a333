#include "Keywords.h"

#include "Rx.h"

#include <QHash>

namespace Keywords {

namespace {

bool isLatin(const QString &keyword)
{
    for (QChar c : keyword) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
            return true;
    }
    return false;
}

// Longer labels that begin with a keyword and mean something else: a number, a rate, a
// product, a field of a form.
const QHash<QString, QStringList> &longerLabels()
{
    static const QHash<QString, QStringList> table{
        {QStringLiteral("交易流水"), {QStringLiteral("交易流水号")}},
        {QStringLiteral("流水"), {QStringLiteral("流水号")}},
        {QStringLiteral("合同"), {QStringLiteral("合同号"), QStringLiteral("合同编号")}},
        {QStringLiteral("协议"),
         {QStringLiteral("协议号"), QStringLiteral("协议编号"), QStringLiteral("协议价")}},
        {QStringLiteral("入住"), {QStringLiteral("入住率")}},
        {QStringLiteral("余额"), {QStringLiteral("余额宝")}},
        {QStringLiteral("发票"), {QStringLiteral("发票抬头")}},
        {QStringLiteral("支付成功"), {QStringLiteral("支付成功率")}},
        {QStringLiteral("交易成功"), {QStringLiteral("交易成功率")}},
        {QStringLiteral("身份证"), {QStringLiteral("身份证号")}},
        {QStringLiteral("账单"), {QStringLiteral("账单号")}},
        {QStringLiteral("对账单"), {QStringLiteral("对账单号")}},
    };
    return table;
}

QString latinPattern(const QString &keyword)
{
    QStringList parts;
    for (const QString &part : keyword.split(u' ', Qt::SkipEmptyParts))
        parts << QStringLiteral("\\Q") + part + QStringLiteral("\\E");
    return QStringLiteral("\\b") + parts.join(QStringLiteral("\\s+")) + QStringLiteral("\\b");
}

} // namespace

qsizetype indexIn(const QString &keyword, const QString &text)
{
    if (keyword.isEmpty())
        return -1;
    if (isLatin(keyword))
        return Rx::indexIn(*Rx::compiled(latinPattern(keyword), Rx::CaseInsensitive), text);
    const QStringList longer = longerLabels().value(keyword);
    for (qsizetype at = text.indexOf(keyword, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(keyword, at + 1, Qt::CaseInsensitive)) {
        const QStringView rest = QStringView(text).mid(at);
        const bool head = std::any_of(longer.begin(), longer.end(),
                                      [&](const QString &label) { return rest.startsWith(label); });
        if (!head)
            return at;
    }
    return -1;
}

bool contains(const QString &keyword, const QString &text)
{
    return indexIn(keyword, text) >= 0;
}

bool any(const QStringList &keywords, const QString &text)
{
    return std::any_of(keywords.begin(), keywords.end(),
                       [&](const QString &keyword) { return contains(keyword, text); });
}

int count(const QStringList &keywords, const QString &text)
{
    return int(std::count_if(keywords.begin(), keywords.end(),
                             [&](const QString &keyword) { return contains(keyword, text); }));
}

QString first(const QStringList &keywords, const QString &text)
{
    for (const QString &keyword : keywords) {
        if (contains(keyword, text))
            return keyword;
    }
    return QString();
}

} // namespace Keywords
