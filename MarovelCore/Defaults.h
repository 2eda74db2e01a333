#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMutex>
#include <QObject>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <memory>

// The user's settings, shared by the application and marovel-mcp: one JSON file in
// $XDG_CONFIG_HOME/Marovel/ that keeps every value's type (a Bool stays a Bool, an empty
// list stays a list and differs from an absent key, data and dates keep their type).
// "-key value" pairs on the command line are read before the file and are never written.
class Defaults : public QObject
{
    Q_OBJECT

public:
    static Defaults &shared();

    // The settings file and its format, for code that needs to read it directly.
    static QString filePath();
    static QSettings::Format jsonFormat();

    // "-key value" pairs of a command line (program name first); values are read as JSON
    // where they parse as a JSON value (true, 3, [1,2], "text"), else taken as text. "--"
    // ends the pairs: nothing after it is ever a setting.
    static QVariantMap parseArguments(const QStringList &arguments);
    // Every argument after the program name that parseArguments does not take, in order,
    // without the "--" that ends the settings.
    static QStringList otherArguments(const QStringList &arguments);
    void setArgumentDomain(const QVariantMap &values);
    // Whether the command line gave the key, whatever its value.
    bool inArguments(const QString &key) const;

    bool contains(const QString &key) const;
    QVariant value(const QString &key) const;

    QString string(const QString &key, const QString &fallback = {}) const;
    bool boolValue(const QString &key, bool fallback = false) const;
    qint64 integer(const QString &key, qint64 fallback = 0) const;
    double real(const QString &key, double fallback = 0) const;
    QStringList stringList(const QString &key) const;
    QByteArray data(const QString &key) const;
    QDateTime date(const QString &key) const;

    void setValue(const QString &key, const QVariant &value);
    void remove(const QString &key);
    // Writes pending changes and picks up changes other processes made to the file.
    void sync();

signals:
    void changed(const QString &key);

private:
    Defaults();

    mutable QMutex m_lock;
    std::unique_ptr<QSettings> m_settings;
    QVariantMap m_arguments;
};
