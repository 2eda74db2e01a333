#include "JsonCoding.h"

#include "CoreError.h"
#include "Localization.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QTimeZone>

#include <algorithm>
#include <cmath>

namespace {

void writeString(QByteArray &out, const QString &text)
{
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '/': out += "\\/"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += ch;
            }
        }
    }
    out += '"';
}

void writeNumber(QByteArray &out, const QJsonValue &value)
{
    const QVariant v = value.toVariant();
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) {
        out += QByteArray::number(v.toLongLong());
        return;
    }
    const double d = value.toDouble();
    if (!std::isfinite(d)) {
        out += "null";
        return;
    }
    QByteArray text = QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
    // Keep a floating-point value recognisable as such when read back.
    if (!text.contains('.') && !text.contains('e'))
        text += ".0";
    out += text;
}

QStringList sortedKeys(const QJsonObject &object)
{
    QStringList keys = object.keys();
    std::sort(keys.begin(), keys.end());
    return keys;
}

void write(QByteArray &out, const QJsonValue &value, bool pretty, int depth)
{
    const auto newline = [&](int level) {
        if (pretty) {
            out += '\n';
            out += QByteArray(level * 2, ' ');
        }
    };
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        out += "null";
        break;
    case QJsonValue::Bool:
        out += value.toBool() ? "true" : "false";
        break;
    case QJsonValue::Double:
        writeNumber(out, value);
        break;
    case QJsonValue::String:
        writeString(out, value.toString());
        break;
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        out += '[';
        if (array.isEmpty()) {
            out += ']';
            break;
        }
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (i > 0)
                out += ',';
            newline(depth + 1);
            write(out, array.at(i), pretty, depth + 1);
        }
        newline(depth);
        out += ']';
        break;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        out += '{';
        if (object.isEmpty()) {
            out += '}';
            break;
        }
        bool first = true;
        for (const QString &key : sortedKeys(object)) {
            if (!first)
                out += ',';
            first = false;
            newline(depth + 1);
            writeString(out, key);
            out += pretty ? " : " : ":";
            write(out, object.value(key), pretty, depth + 1);
        }
        newline(depth);
        out += '}';
        break;
    }
    }
}

QString typeName(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Null: return QStringLiteral("null");
    case QJsonValue::Bool: return QStringLiteral("bool");
    case QJsonValue::Double: return QStringLiteral("number");
    case QJsonValue::String: return QStringLiteral("string");
    case QJsonValue::Array: return QStringLiteral("array");
    case QJsonValue::Object: return QStringLiteral("object");
    default: return QStringLiteral("undefined");
    }
}

} // namespace

namespace JsonCoding {

QByteArray pretty(const QJsonValue &value)
{
    QByteArray out;
    write(out, value, true, 0);
    return out;
}

QByteArray compact(const QJsonValue &value)
{
    QByteArray out;
    write(out, value, false, 0);
    return out;
}

QString dateText(const QDateTime &date)
{
    return date.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

std::optional<QDateTime> parseDate(const QString &text)
{
    static const QRegularExpression form(QStringLiteral(
        "^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})(Z|[+-]\\d{2}:\\d{2})$"));
    const auto m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate day(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!day.isValid() || !time.isValid())
        return std::nullopt;
    const QString zone = m.captured(7);
    int offset = 0;
    if (zone != u"Z") {
        const int hours = zone.mid(1, 2).toInt();
        const int minutes = zone.mid(4, 2).toInt();
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        offset = (hours * 3600 + minutes * 60) * (zone[0] == u'-' ? -1 : 1);
    }
    return QDateTime(day, time, Qt::OffsetFromUTC, offset).toUTC();
}

QJsonValue parse(const QByteArray &bytes, const QString &source)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        throw DecodingError(L("“%@”不是有效的 JSON：%@", source, error.errorString()));
    if (document.isArray())
        return document.array();
    return document.object();
}

Reader::Reader(const QJsonValue &value, const QString &context) : m_context(context)
{
    if (!value.isObject())
        throw DecodingError(
            L("“%@”的数据格式不正确：应为对象，实为 %@", context, typeName(value)));
    m_object = value.toObject();
}

void Reader::fail(const QString &key, const QString &problem) const
{
    throw DecodingError(L("“%@”的数据格式不正确：键“%@”%@", m_context, key, problem));
}

QJsonValue Reader::required(const QString &key) const
{
    const auto it = m_object.constFind(key);
    if (it == m_object.constEnd())
        fail(key, L("缺失"));
    return it.value();
}

QString Reader::string(const QString &key) const
{
    const QJsonValue v = required(key);
    if (!v.isString())
        fail(key, L("应为文本"));
    return v.toString();
}

std::optional<QString> Reader::optionalString(const QString &key) const
{
    const QJsonValue v = m_object.value(key);
    if (v.isUndefined() || v.isNull())
        return std::nullopt;
    if (!v.isString())
        fail(key, L("应为文本"));
    return v.toString();
}

qint64 Reader::integer(const QString &key) const
{
    const QJsonValue v = required(key);
    const double d = v.toDouble();
    if (!v.isDouble() || d != std::trunc(d) || std::abs(d) > 9.007199254740992e15)
        fail(key, L("应为整数"));
    return v.toInteger(qint64(d));
}

std::optional<qint64> Reader::optionalInteger(const QString &key) const
{
    const QJsonValue v = m_object.value(key);
    if (v.isUndefined() || v.isNull())
        return std::nullopt;
    return integer(key);
}

QDateTime Reader::date(const QString &key) const
{
    const QJsonValue v = required(key);
    const auto parsed = v.isString() ? parseDate(v.toString()) : std::nullopt;
    if (!parsed)
        fail(key, L("应为 ISO 8601 日期"));
    return *parsed;
}

std::optional<QDateTime> Reader::optionalDate(const QString &key) const
{
    const QJsonValue v = m_object.value(key);
    if (v.isUndefined() || v.isNull())
        return std::nullopt;
    return date(key);
}

QJsonArray Reader::array(const QString &key) const
{
    const QJsonValue v = required(key);
    if (!v.isArray())
        fail(key, L("应为数组"));
    return v.toArray();
}

QJsonValue Reader::value(const QString &key) const
{
    return required(key);
}

QJsonArray Reader::arrayValue(const QJsonValue &value, const QString &context)
{
    if (!value.isArray())
        throw DecodingError(
            L("“%@”的数据格式不正确：应为数组，实为 %@", context, typeName(value)));
    return value.toArray();
}

} // namespace JsonCoding
