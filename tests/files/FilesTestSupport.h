#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace FilesTest {

// Sets the interface language for the life of the object.
class ScopedLanguage
{
public:
    explicit ScopedLanguage(const char *language);
    ~ScopedLanguage();
};

// Every name in `folder`, hidden ones included, sorted.
QStringList namesIn(const QString &folder);

// One entry of an archive, as a test builds it or reads it back.
struct Entry
{
    QString name;
    enum Type { File, Folder, Link, HardLink } type = File;
    QByteArray content; // file content, or link target for Link and HardLink
    int mode = 0644;
};

// Writes an archive ("zip", "tar" or "tar.gz") holding exactly `entries`, names as given.
void writeArchive(const QString &path, const QList<Entry> &entries, const char *format = "tar");
// Reads every entry of an archive with libarchive; nothing when it cannot be read.
std::optional<QList<Entry>> readArchive(const QString &path, QString *formatName = nullptr);

int modeOf(const QString &path); // lstat mode bits (07777), -1 when missing

} // namespace FilesTest
