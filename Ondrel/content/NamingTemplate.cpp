#include "NamingTemplate.h"

#include "Defaults.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Spaces (any Unicode space separator) and tabs, but not line breaks.
bool isSpaceOrTab(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QString trimSpacesAndTabs(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isSpaceOrTab(text[start]))
        ++start;
    while (end > start && isSpaceOrTab(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

template<typename E>
std::optional<E> fromRaw(const QString &raw, const QList<E> &all)
{
    for (E value : all) {
        if (NamingTemplate::rawValue(value) == raw)
            return value;
    }
    return std::nullopt;
}

} // namespace

const QList<NamingTemplate::DatePosition> &NamingTemplate::allDatePositions()
{
    static const QList<DatePosition> all{DatePosition::prefix, DatePosition::suffix, DatePosition::none};
    return all;
}

const QList<NamingTemplate::DateStyle> &NamingTemplate::allDateStyles()
{
    static const QList<DateStyle> all{DateStyle::ymd, DateStyle::ymdCompact, DateStyle::ym};
    return all;
}

const QList<NamingTemplate::Separator> &NamingTemplate::allSeparators()
{
    static const QList<Separator> all{Separator::underscore, Separator::hyphen, Separator::space,
                                      Separator::dot};
    return all;
}

QString NamingTemplate::rawValue(DatePosition value)
{
    switch (value) {
    case DatePosition::prefix: return QStringLiteral("prefix");
    case DatePosition::suffix: return QStringLiteral("suffix");
    case DatePosition::none: return QStringLiteral("none");
    }
    return {};
}

QString NamingTemplate::rawValue(DateStyle value)
{
    switch (value) {
    case DateStyle::ymd: return QStringLiteral("ymd");
    case DateStyle::ymdCompact: return QStringLiteral("ymdCompact");
    case DateStyle::ym: return QStringLiteral("ym");
    }
    return {};
}

QString NamingTemplate::rawValue(Separator value)
{
    switch (value) {
    case Separator::underscore: return QStringLiteral("_");
    case Separator::hyphen: return QStringLiteral("-");
    case Separator::space: return QStringLiteral(" ");
    case Separator::dot: return QStringLiteral(".");
    }
    return {};
}

std::optional<NamingTemplate::DatePosition> NamingTemplate::datePositionFromRaw(const QString &raw)
{
    return fromRaw(raw, allDatePositions());
}

std::optional<NamingTemplate::DateStyle> NamingTemplate::dateStyleFromRaw(const QString &raw)
{
    return fromRaw(raw, allDateStyles());
}

std::optional<NamingTemplate::Separator> NamingTemplate::separatorFromRaw(const QString &raw)
{
    return fromRaw(raw, allSeparators());
}

QString NamingTemplate::formattedDate(const QString &date) const
{
    const QString t = trimSpacesAndTabs(date);
    const QStringList parts = t.split(u'-', Qt::SkipEmptyParts);
    if (parts.size() >= 3 && parts[0].size() == 4 && dateStyle != DateStyle::ymd) {
        if (dateStyle == DateStyle::ymdCompact)
            return parts.join(QString());
        return parts[0] + u'-' + parts[1];
    }
    return t;
}

QString NamingTemplate::render(const QString &base, const QString &date, const QString &ext) const
{
    const QString suffixPart = ext.isEmpty() ? QString() : u'.' + ext;
    const QString b = trimSpacesAndTabs(base);
    if (b.isEmpty())
        return suffixPart;
    if (datePosition == DatePosition::none)
        return b + suffixPart;
    const QString d = formattedDate(date);
    if (d.isEmpty())
        return b + suffixPart;
    const QString sep = rawValue(separator);
    if (datePosition == DatePosition::prefix)
        return d + sep + b + suffixPart;
    return b + sep + d + suffixPart;
}

QByteArray NamingTemplate::encoded() const
{
    const QJsonObject object{
        {QStringLiteral("datePosition"), rawValue(datePosition)},
        {QStringLiteral("dateStyle"), rawValue(dateStyle)},
        {QStringLiteral("separator"), rawValue(separator)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<NamingTemplate> NamingTemplate::decode(const QByteArray &data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    // A member that is missing or not text reads as "", which no raw value matches.
    const auto text = [&](const char *key) { return object.value(QLatin1String(key)).toString(); };
    const auto position = datePositionFromRaw(text("datePosition"));
    const auto style = dateStyleFromRaw(text("dateStyle"));
    const auto separator = separatorFromRaw(text("separator"));
    if (!position || !style || !separator)
        return std::nullopt;
    return NamingTemplate{*position, *style, *separator};
}

void NamingTemplate::persist() const
{
    Defaults &defaults = Defaults::shared();
    defaults.setValue(storageKey, encoded());
    defaults.setValue(includeDateKey, datePosition != DatePosition::none);
}

NamingTemplate NamingTemplate::loadOrMigrate()
{
    const Defaults &defaults = Defaults::shared();
    if (const auto stored = decode(defaults.data(storageKey)))
        return *stored;
    const QVariant flag = defaults.value(includeDateKey);
    if (flag.typeId() == QMetaType::Bool) {
        NamingTemplate legacy;
        if (!flag.toBool())
            legacy.datePosition = DatePosition::none;
        return legacy;
    }
    return {};
}

NamingStore &NamingStore::shared()
{
    static NamingStore *instance = new NamingStore;
    return *instance;
}

NamingStore::NamingStore()
    : m_template(NamingTemplate::loadOrMigrate())
{
    if (m_template.datePosition != NamingTemplate::DatePosition::none
        && m_template.datePosition != m_lastDatePosition)
        m_lastDatePosition = m_template.datePosition;
}

void NamingStore::setTemplate(const NamingTemplate &value)
{
    const bool changed = value != m_template;
    m_template = value;
    if (value.datePosition != NamingTemplate::DatePosition::none)
        setLastDatePosition(value.datePosition);
    m_template.persist();
    // Told last, so observers find the settings already written.
    if (changed)
        emit templateChanged();
}

void NamingStore::setLastDatePosition(NamingTemplate::DatePosition value)
{
    if (value == m_lastDatePosition)
        return;
    m_lastDatePosition = value;
    emit lastDatePositionChanged();
}
