#include "MimeAppsList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

namespace MimeAppsList {

namespace {

// The group a header line opens, or nothing when the line is not a header.
std::optional<QByteArray> groupOf(const QByteArray &line)
{
    const QByteArray trimmed = line.trimmed();
    if (trimmed.startsWith('[') && trimmed.endsWith(']'))
        return trimmed.mid(1, trimmed.size() - 2);
    return std::nullopt;
}

// The key of an entry line, or nothing for comments, blank lines and headers.
std::optional<QByteArray> keyOf(const QByteArray &line)
{
    const QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith('#') || trimmed.startsWith('['))
        return std::nullopt;
    const qsizetype equals = trimmed.indexOf('=');
    if (equals < 0)
        return std::nullopt;
    return trimmed.left(equals).trimmed();
}

// Lines with their line ends, so joining them gives the text back unchanged.
QList<QByteArray> linesOf(const QByteArray &text)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype end = text.indexOf('\n', start);
        const qsizetype next = end < 0 ? text.size() : end + 1;
        lines << text.mid(start, next - start);
        start = next;
    }
    return lines;
}

} // namespace

std::optional<QString> value(const QByteArray &text, const QString &group, const QString &key)
{
    const QByteArray wantedGroup = group.toUtf8();
    const QByteArray wantedKey = key.toUtf8();
    bool inGroup = false;
    for (const QByteArray &line : linesOf(text)) {
        if (const auto header = groupOf(line)) {
            inGroup = *header == wantedGroup;
            continue;
        }
        if (inGroup && keyOf(line) == wantedKey) {
            const QByteArray trimmed = line.trimmed();
            return QString::fromUtf8(trimmed.mid(trimmed.indexOf('=') + 1).trimmed());
        }
    }
    return std::nullopt;
}

QByteArray withValue(const QByteArray &text, const QString &group, const QString &key,
                     const std::optional<QString> &value)
{
    const QByteArray wantedGroup = group.toUtf8();
    const QByteArray wantedKey = key.toUtf8();
    const QByteArray newLine = value ? wantedKey + '=' + value->toUtf8() + '\n' : QByteArray();

    QList<QByteArray> lines = linesOf(text);
    qsizetype groupStart = -1; // the header's index
    qsizetype lastEntry = -1;  // the group's last entry (or its header)
    bool inGroup = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto header = groupOf(lines.at(i))) {
            inGroup = *header == wantedGroup;
            if (inGroup && groupStart < 0) {
                groupStart = i;
                lastEntry = i;
            }
            continue;
        }
        if (!inGroup)
            continue;
        if (keyOf(lines.at(i)) == wantedKey) {
            if (value)
                lines[i] = newLine;
            else
                lines.removeAt(i);
            return lines.join();
        }
        if (keyOf(lines.at(i)))
            lastEntry = i;
    }
    if (!value)
        return text;
    QByteArray result = text;
    if (groupStart < 0) {
        if (!result.isEmpty() && !result.endsWith('\n'))
            result += '\n';
        if (!result.isEmpty())
            result += '\n';
        return result + '[' + wantedGroup + "]\n" + newLine;
    }
    // The line before may lack its line end when it is the file's last.
    if (!lines[lastEntry].endsWith('\n'))
        lines[lastEntry] += '\n';
    lines.insert(lastEntry + 1, newLine);
    return lines.join();
}

std::optional<QString> readValue(const QString &path, const QString &group, const QString &key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return value(file.readAll(), group, key);
}

bool writeValue(const QString &path, const QString &group, const QString &key,
                const std::optional<QString> &value)
{
    QByteArray text;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return false;
        text = existing.readAll();
        existing.close();
    }
    const QByteArray changed = withValue(text, group, key, value);
    if (changed == text && existing.exists())
        return true;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(changed);
    return file.commit();
}

} // namespace MimeAppsList
