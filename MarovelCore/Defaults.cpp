#include "Defaults.h"

#include "JsonCoding.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QStandardPaths>

#include <functional>

namespace {

const QString dataTag = QStringLiteral("$data");
const QString dateTag = QStringLiteral("$date");

// JSON has no data or date values: they are written as one-member objects tagged
// "$data" (base64) and "$date" (ISO 8601 with milliseconds).
QJsonValue toJson(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
        return qint64(value.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return double(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QByteArray:
        return QJsonObject{{dataTag, QString::fromLatin1(value.toByteArray().toBase64())}};
    case QMetaType::QDateTime:
        return QJsonObject{
            {dateTag, value.toDateTime().toUTC().toString(Qt::ISODateWithMs)}};
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        QJsonArray array;
        for (const QVariant &item : value.toList())
            array.append(toJson(item));
        return array;
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        QJsonObject object;
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            object.insert(it.key(), toJson(it.value()));
        return object;
    }
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return QJsonValue::Null;
    default:
        return value.toString();
    }
}

QVariant fromJson(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::Double:
        return value.toVariant(); // qlonglong for integers, double otherwise
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Array: {
        QVariantList list;
        for (const QJsonValue &item : value.toArray())
            list.append(fromJson(item));
        return list;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        if (object.size() == 1 && object.value(dataTag).isString())
            return QByteArray::fromBase64(object.value(dataTag).toString().toLatin1());
        if (object.size() == 1 && object.value(dateTag).isString())
            return QDateTime::fromString(object.value(dateTag).toString(), Qt::ISODateWithMs);
        QVariantMap map;
        for (auto it = object.begin(); it != object.end(); ++it)
            map.insert(it.key(), fromJson(it.value()));
        return map;
    }
    default:
        return {};
    }
}

bool readJson(QIODevice &device, QSettings::SettingsMap &map)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(device.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it)
        map.insert(it.key(), fromJson(it.value()));
    return true;
}

bool writeJson(QIODevice &device, const QSettings::SettingsMap &map)
{
    QJsonObject object;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        object.insert(it.key(), toJson(it.value()));
    QByteArray bytes = JsonCoding::pretty(object);
    bytes += '\n';
    return device.write(bytes) == bytes.size();
}

QStringList processArguments()
{
    if (QCoreApplication::instance())
        return QCoreApplication::arguments();
    QFile cmdline(QStringLiteral("/proc/self/cmdline"));
    QStringList arguments;
    if (cmdline.open(QIODevice::ReadOnly)) {
        for (const QByteArray &part : cmdline.readAll().split('\0'))
            arguments.append(QString::fromLocal8Bit(part));
        if (!arguments.isEmpty() && arguments.last().isEmpty())
            arguments.removeLast();
    }
    return arguments;
}

} // namespace

QSettings::Format Defaults::jsonFormat()
{
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("json"), readJson, writeJson);
    return format;
}

QString Defaults::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Marovel/settings.json");
}

Defaults &Defaults::shared()
{
    static Defaults *instance = new Defaults;
    return *instance;
}

Defaults::Defaults()
    : m_settings(std::make_unique<QSettings>(filePath(), jsonFormat())),
      m_arguments(parseArguments(processArguments()))
{
    if (auto *app = QCoreApplication::instance())
        moveToThread(app->thread());
}

namespace {

// Walks a command line (program name first) as the argument domain reads it: each
// "-key value" pair goes to `setting`, every other argument to `other`. "--" ends the
// settings: it is dropped, and every argument after it is an "other", even "-key value".
void scanArguments(const QStringList &arguments,
                   const std::function<void(const QString &, const QString &)> &setting,
                   const std::function<void(const QString &)> &other)
{
    qsizetype i = 1;
    for (; i < arguments.size(); ++i) {
        const QString &flag = arguments[i];
        if (flag == u"--") {
            ++i;
            break;
        }
        const bool isFlag = flag.size() >= 2 && flag[0] == u'-' && flag[1] != u'-';
        if (!isFlag || i + 1 >= arguments.size() || arguments[i + 1] == u"--") {
            other(flag);
            continue;
        }
        setting(flag.mid(1), arguments[i + 1]);
        ++i;
    }
    for (; i < arguments.size(); ++i)
        other(arguments[i]);
}

} // namespace

QVariantMap Defaults::parseArguments(const QStringList &arguments)
{
    QVariantMap values;
    scanArguments(
        arguments,
        [&](const QString &key, const QString &text) {
            QJsonParseError error;
            const QJsonDocument wrapped =
                QJsonDocument::fromJson("[" + text.toUtf8() + "]", &error);
            const bool json = error.error == QJsonParseError::NoError
                              && wrapped.array().size() == 1;
            values.insert(key, json ? fromJson(wrapped.array().first()) : QVariant(text));
        },
        [](const QString &) {});
    return values;
}

QStringList Defaults::otherArguments(const QStringList &arguments)
{
    QStringList others;
    scanArguments(
        arguments, [](const QString &, const QString &) {},
        [&](const QString &argument) { others << argument; });
    return others;
}

void Defaults::setArgumentDomain(const QVariantMap &values)
{
    QMutexLocker locker(&m_lock);
    m_arguments = values;
}

bool Defaults::inArguments(const QString &key) const
{
    QMutexLocker locker(&m_lock);
    return m_arguments.contains(key);
}

bool Defaults::contains(const QString &key) const
{
    QMutexLocker locker(&m_lock);
    return m_arguments.contains(key) || m_settings->contains(key);
}

QVariant Defaults::value(const QString &key) const
{
    QMutexLocker locker(&m_lock);
    const auto it = m_arguments.constFind(key);
    if (it != m_arguments.constEnd())
        return it.value();
    return m_settings->value(key);
}

QString Defaults::string(const QString &key, const QString &fallback) const
{
    const QVariant v = value(key);
    if (v.typeId() == QMetaType::QString)
        return v.toString();
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Double)
        return v.toString();
    return fallback;
}

bool Defaults::boolValue(const QString &key, bool fallback) const
{
    const QVariant v = value(key);
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
        return v.toDouble() != 0;
    case QMetaType::QString: {
        const QString text = v.toString().toLower();
        if (text == u"yes" || text == u"true" || text == u"1")
            return true;
        if (text == u"no" || text == u"false" || text == u"0")
            return false;
        return fallback;
    }
    default:
        return fallback;
    }
}

qint64 Defaults::integer(const QString &key, qint64 fallback) const
{
    bool ok = false;
    const qint64 n = value(key).toLongLong(&ok);
    return ok ? n : fallback;
}

double Defaults::real(const QString &key, double fallback) const
{
    bool ok = false;
    const double n = value(key).toDouble(&ok);
    return ok ? n : fallback;
}

QStringList Defaults::stringList(const QString &key) const
{
    const QVariant v = value(key);
    if (v.typeId() != QMetaType::QVariantList && v.typeId() != QMetaType::QStringList)
        return {};
    return v.toStringList();
}

QByteArray Defaults::data(const QString &key) const
{
    const QVariant v = value(key);
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
}

QDateTime Defaults::date(const QString &key) const
{
    const QVariant v = value(key);
    return v.typeId() == QMetaType::QDateTime ? v.toDateTime() : QDateTime();
}

void Defaults::setValue(const QString &key, const QVariant &newValue)
{
    {
        QMutexLocker locker(&m_lock);
        const bool present = m_settings->contains(key);
        const QVariant old = m_settings->value(key);
        if (present && old.typeId() == newValue.typeId() && old == newValue)
            return;
        m_settings->setValue(key, newValue);
        m_settings->sync();
    }
    emit changed(key);
}

void Defaults::remove(const QString &key)
{
    {
        QMutexLocker locker(&m_lock);
        if (!m_settings->contains(key))
            return;
        m_settings->remove(key);
        m_settings->sync();
    }
    emit changed(key);
}

void Defaults::sync()
{
    QMutexLocker locker(&m_lock);
    m_settings->sync();
}
