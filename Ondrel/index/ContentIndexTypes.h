#pragma once

#include <QDateTime>
#include <QException>
#include <QString>
#include <QTimeZone>

#include <cmath>

// One file to store in the content index. Times are seconds since 1970-01-01 UTC, kept as
// doubles so the change test can compare them to the millisecond and below.
struct ContentIndexDocument
{
    QString path;
    QString name;
    QString directory;
    QString extensionName; // lower case, "" when the name has none
    double modified = 0;
    qint64 size = 0;
    QString source; // extraction source code ("pdf-text", "text", ...)
    QString text;
};

// One hit read back from the index.
struct ContentIndexSearchRow
{
    QString path;
    QString name;
    QString directory;
    QDateTime modified;
    qint64 size = 0;
    QString source;
    QString snippet;
    bool operator==(const ContentIndexSearchRow &other) const = default;
};

// What the index holds about one path, for the scan's change test.
struct ContentIndexStoredFacts
{
    double modified = 0;
    qint64 size = 0;
};

// A failure of the content index database. `description()` is the localised sentence the
// controller shows as its last error. It travels through QFuture, hence QException.
class ContentIndexError : public QException
{
public:
    enum class Kind {
        Open,   // the database could not be opened, or has no connection
        Query,  // a statement failed
        Folder, // the folder of the database file could not be made; message is final
    };

    ContentIndexError(Kind kind, QString message) : m_kind(kind), m_message(std::move(message)) {}

    Kind kind() const { return m_kind; }
    QString message() const { return m_message; }
    QString description() const;

    void raise() const override { throw *this; }
    ContentIndexError *clone() const override { return new ContentIndexError(*this); }
    const char *what() const noexcept override;

private:
    Kind m_kind;
    QString m_message;
    mutable QByteArray m_what;
};

namespace ContentIndexTime {

// The distant-past date given to a file whose modification time cannot be read:
// 0001-01-01 00:00:00 UTC in seconds since 1970.
constexpr double distantPast = -62135596800.0;

inline double seconds(const QDateTime &date)
{
    return double(date.toMSecsSinceEpoch()) / 1000.0;
}

inline QDateTime date(double seconds)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(seconds * 1000.0)), Qt::UTC);
}

} // namespace ContentIndexTime
