#pragma once

#include "Format.h"

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

// Marks a text as a localisation key where it is looked up later rather than at once
// (tables of messages). The tests find every key by this mark and by the calls of L.
constexpr const char *LKey(const char *key)
{
    return key;
}

// Interface language and string table, shared by the whole process. Keys are the zh-Hans
// texts themselves; other languages come from "<lang>.lproj/Localizable.strings".
class Loc : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int revision READ revision NOTIFY revisionChanged)

public:
    static inline const QString overrideKey = QStringLiteral("appLanguageOverride");
    static inline const QString appleLanguagesKey = QStringLiteral("AppleLanguages");
    static inline const QString sourceLanguage = QStringLiteral("zh-Hans");
    static const QStringList &supported();

    static Loc &shared();

    QString language() const;
    QString string(const QString &key) const;
    QString string(const QString &key, const FormatArgs &args) const;

    // The user's choice when it names a supported language, else none.
    std::optional<QString> override() const;
    void setOverride(const std::optional<QString> &language);
    // Re-reads the language and its table; the revision goes up by one.
    void refresh();
    int revision() const { return m_revision; }

    static QString resolve();
    static QString resolveSystem();
    static QString resolveSystem(const QStringList &preferredLanguages);
    static QHash<QString, QString> loadTable(const QString &language);
    static std::optional<QString> resourceURL(const QString &language);

signals:
    void revisionChanged(int revision);

private:
    Loc();
    void bumpRevision();

    mutable QMutex m_lock;
    QString m_language;
    QHash<QString, QString> m_table;
    int m_revision = 0;
};

// The localised text of `key`, formatted with `args` when any are given.
inline QString L(const QString &key)
{
    return Loc::shared().string(key);
}

template<typename... Args>
QString L(const QString &key, const Args &...args)
{
    return Loc::shared().string(key, FormatArgs{Format::arg(args)...});
}

inline QString L(const char *key)
{
    return L(QString::fromUtf8(key));
}

template<typename... Args>
QString L(const char *key, const Args &...args)
{
    return L(QString::fromUtf8(key), args...);
}
