#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// The coding of Marovel's own JSON files.
//
// Writing: keys in ascending order; "/" inside strings written as "\/"; non-ASCII text written
// as UTF-8; dates as ISO 8601 UTC text with whole seconds. The pretty form (registry, plans)
// puts one member or element per line, indented by two spaces, with " : " between key and
// value; the compact form (JSON Lines records) has no white space at all.
//
// Reading is strict: a wrong shape, a missing member or a date in any other form throws
// DecodingError for the whole document.
namespace JsonCoding {

QByteArray pretty(const QJsonValue &value);
QByteArray compact(const QJsonValue &value);

// "2026-01-02T08:05:09Z": UTC, whole seconds (a fraction of a second is dropped).
QString dateText(const QDateTime &date);
// Accepts exactly "YYYY-MM-DDTHH:MM:SS" followed by "Z" or "+HH:MM"/"-HH:MM".
std::optional<QDateTime> parseDate(const QString &text);

// Parses a whole JSON document; `source` names it in the error message.
QJsonValue parse(const QByteArray &bytes, const QString &source);

// Strict access to the members of a decoded object; each throws DecodingError naming the
// member when it is missing or of the wrong type.
class Reader
{
public:
    Reader(const QJsonValue &value, const QString &context);

    QString string(const QString &key) const;
    std::optional<QString> optionalString(const QString &key) const; // absent or null: none
    qint64 integer(const QString &key) const;
    std::optional<qint64> optionalInteger(const QString &key) const;
    QDateTime date(const QString &key) const;
    std::optional<QDateTime> optionalDate(const QString &key) const;
    QJsonArray array(const QString &key) const;
    QJsonValue value(const QString &key) const; // required, any type

    [[noreturn]] void fail(const QString &key, const QString &problem) const;

    static QJsonArray arrayValue(const QJsonValue &value, const QString &context);

private:
    QJsonValue required(const QString &key) const;

    QJsonObject m_object;
    QString m_context;
};

} // namespace JsonCoding
