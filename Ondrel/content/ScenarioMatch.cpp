#include "ScenarioMatch.h"

#include "Localization.h"

namespace ScenarioKinds {

namespace {

struct KindInfo
{
    ScenarioKind kind;
    const char *raw;
    const char *label; // localisation key
    const char *icon;
};

// In declaration order, so the kind's value indexes it.
constexpr KindInfo table[] = {
    {ScenarioKind::invoice, "invoice", LKey("报销发票"), "doc.text.below.ecg"},
    {ScenarioKind::payment, "payment", LKey("付款凭证"), "creditcard"},
    {ScenarioKind::bankStatement, "bankStatement", LKey("银行对账单"), "building.columns"},
    {ScenarioKind::travel, "travel", LKey("行程单"), "airplane"},
    {ScenarioKind::paper, "paper", LKey("学术论文"), "doc.richtext"},
    {ScenarioKind::screenshot, "screenshot", LKey("截图"), "camera.viewfinder"},
    {ScenarioKind::idDoc, "idDoc", LKey("证件"), "person.text.rectangle"},
    {ScenarioKind::installer, "installer", LKey("安装包"), "shippingbox"},
    {ScenarioKind::contract, "contract", LKey("合同协议"), "signature"},
    {ScenarioKind::document, "document", LKey("文档"), "doc.text"},
    {ScenarioKind::unknown, "unknown", LKey("文件"), "doc"},
};

const KindInfo &info(ScenarioKind kind)
{
    const auto index = static_cast<size_t>(kind);
    return index < std::size(table) ? table[index] : table[std::size(table) - 1];
}

} // namespace

const std::array<ScenarioKind, 11> &all()
{
    static constexpr std::array<ScenarioKind, 11> kinds{
        ScenarioKind::invoice, ScenarioKind::payment,  ScenarioKind::bankStatement,
        ScenarioKind::travel,  ScenarioKind::paper,    ScenarioKind::screenshot,
        ScenarioKind::idDoc,   ScenarioKind::installer, ScenarioKind::contract,
        ScenarioKind::document, ScenarioKind::unknown};
    return kinds;
}

QString rawValue(ScenarioKind kind)
{
    return QString::fromLatin1(info(kind).raw);
}

std::optional<ScenarioKind> fromRawValue(const QString &text)
{
    for (const KindInfo &entry : table) {
        if (text == QLatin1String(entry.raw))
            return entry.kind;
    }
    return std::nullopt;
}

QString label(ScenarioKind kind)
{
    return L(info(kind).label);
}

QString icon(ScenarioKind kind)
{
    return QString::fromLatin1(info(kind).icon);
}

} // namespace ScenarioKinds

QString ScenarioMatch::rawValue(Conf conf)
{
    switch (conf) {
    case Conf::high:
        return QStringLiteral("high");
    case Conf::medium:
        return QStringLiteral("medium");
    case Conf::low:
        break;
    }
    return QStringLiteral("low");
}

std::optional<ScenarioMatch::Conf> ScenarioMatch::confFromRawValue(const QString &text)
{
    if (text == u"high")
        return Conf::high;
    if (text == u"medium")
        return Conf::medium;
    if (text == u"low")
        return Conf::low;
    return std::nullopt;
}
