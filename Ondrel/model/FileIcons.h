#pragma once

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

// The icons of files and folders the views paint, chosen by MIME type and cached by type
// name. Painting never touches the disk: a file's type comes from its name (extension or a
// known name such as "Makefile"). A file whose name tells nothing (no extension, or one the
// MIME database does not know) has its first bytes read on a worker; when that finds a
// type, iconChanged(path) says so and the next icon() for the path follows it. A path's
// content type is read once for the life of this object.
//
// Lives on the GUI thread of its owner.
class FileIcons : public QObject
{
    Q_OBJECT

public:
    // Reads a file's content type (a MIME type name); runs on a worker.
    using ContentReader = std::function<QString(const QString &path)>;

    explicit FileIcons(QObject *parent = nullptr);

    QIcon icon(const QString &path, bool isDir);
    // The type name icon() chooses by now for the path.
    QString typeOf(const QString &path, bool isDir);

    // Icons by MIME type name.
    const QHash<QString, QIcon> &cache() const { return m_icons; }

    // Replaces the content reader (tests).
    void setContentReader(ContentReader reader);
    // The default reader: the type the MIME database finds in a regular file's content;
    // the default type for anything else (a pipe or device is never opened) or a file that
    // cannot be read.
    static QString readContentType(const QString &path);

signals:
    // The content type of `path` was read and gives it another icon than its name did.
    void iconChanged(const QString &path);

private:
    void read(const QString &path, const QString &byName);

    ContentReader m_reader;
    QHash<QString, QIcon> m_icons;
    QHash<QString, QString> m_contentTypes; // path -> type read from the content
    QSet<QString> m_reading;
};
