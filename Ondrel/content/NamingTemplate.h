#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

// Where the date of a proposed name goes, how it is written and what joins it to the
// name's base. Stored as JSON data under "namingTemplate.v1" in the user's settings, with
// the older flag "defaultIncludeDate" written beside it for older readers.
//
// render(), loadOrMigrate() and the raw-value helpers are pure apart from reading the
// settings and may run on any thread; proposals load the template afresh on every call,
// so a change made in the settings applies to the next proposal.
struct NamingTemplate
{
    enum class DatePosition { prefix, suffix, none };
    enum class DateStyle { ymd, ymdCompact, ym };
    enum class Separator { underscore, hyphen, space, dot };

    static inline const QString storageKey = QStringLiteral("namingTemplate.v1");
    static inline const QString includeDateKey = QStringLiteral("defaultIncludeDate");

    DatePosition datePosition = DatePosition::prefix;
    DateStyle dateStyle = DateStyle::ymd;
    Separator separator = Separator::underscore;

    bool operator==(const NamingTemplate &) const = default;

    // All cases in declaration order, their raw values ("prefix", "ymdCompact", "_", ...)
    // and the cases for raw values (exact match only).
    static const QList<DatePosition> &allDatePositions();
    static const QList<DateStyle> &allDateStyles();
    static const QList<Separator> &allSeparators();
    static QString rawValue(DatePosition value);
    static QString rawValue(DateStyle value);
    static QString rawValue(Separator value);
    static std::optional<DatePosition> datePositionFromRaw(const QString &raw);
    static std::optional<DateStyle> dateStyleFromRaw(const QString &raw);
    static std::optional<Separator> separatorFromRaw(const QString &raw);

    // The full file name: the base trimmed of spaces and tabs, the date in this template's
    // style joined before or after it, then "." and the extension when there is one. An
    // empty base gives only the extension part; an empty date gives the base alone.
    QString render(const QString &base, const QString &date, const QString &ext) const;

    // {"datePosition": …, "dateStyle": …, "separator": …} as compact JSON data.
    QByteArray encoded() const;
    // The template of such data when all three members hold valid raw values.
    static std::optional<NamingTemplate> decode(const QByteArray &data);

    // Writes both settings keys.
    void persist() const;
    // The stored template; else the one the older flag implies; else the default.
    // Writes nothing.
    static NamingTemplate loadOrMigrate();

private:
    QString formattedDate(const QString &date) const;
};

// The application-wide holder of the template that the settings page edits. Lives on the
// GUI thread for the whole run; loaded once when made, so later changes other code makes
// to the settings file are not read back.
class NamingStore : public QObject
{
    Q_OBJECT

public:
    static NamingStore &shared();

    // Loads the template from the settings (see NamingTemplate::loadOrMigrate()).
    NamingStore();

    NamingTemplate currentTemplate() const { return m_template; }
    // Persists in every case; tells observers only when the template changed. A new date
    // position other than `none` becomes lastDatePosition.
    void setTemplate(const NamingTemplate &value);

    // The last date position other than `none` the template had (starts as `prefix`): the
    // settings page restores it when the user turns the date back on.
    NamingTemplate::DatePosition lastDatePosition() const { return m_lastDatePosition; }
    void setLastDatePosition(NamingTemplate::DatePosition value);

signals:
    void templateChanged();
    void lastDatePositionChanged();

private:
    NamingTemplate m_template;
    NamingTemplate::DatePosition m_lastDatePosition = NamingTemplate::DatePosition::prefix;
};
