#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

// Metadata of one file or folder as shown to AI clients.
struct FileEntry
{
    QString path;
    QString name;
    QString kind; // "directory" or "file"
    std::optional<qint64> size;
    std::optional<QDateTime> modifiedAt;

    // Reads the item's attributes without following a final symbolic link (a link is a
    // "file"); unreadable attributes give a "file" without size or date. Never fails.
    static FileEntry fromPath(const QString &path);

    QJsonObject toJson() const; // "size" and "modifiedAt" left out when absent
    static FileEntry fromJson(const QJsonValue &value);
    bool operator==(const FileEntry &other) const = default;
};
