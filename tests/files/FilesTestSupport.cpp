#include "FilesTestSupport.h"

#include "Localization.h"

#include <QDir>
#include <QFile>

#include <archive.h>
#include <archive_entry.h>

#include <stdexcept>
#include <sys/stat.h>

namespace FilesTest {

ScopedLanguage::ScopedLanguage(const char *language)
{
    Loc::shared().setOverride(QString::fromLatin1(language));
}

ScopedLanguage::~ScopedLanguage()
{
    Loc::shared().setOverride(std::nullopt);
}

QStringList namesIn(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                               QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

void writeArchive(const QString &path, const QList<Entry> &entries, const char *format)
{
    struct archive *a = archive_write_new();
    const QByteArray f(format);
    if (f == "zip") {
        archive_write_set_format_zip(a);
        archive_write_set_options(a, "zip:hdrcharset=UTF-8");
    } else {
        archive_write_set_format_pax_restricted(a);
        if (f == "tar.gz")
            archive_write_add_filter_gzip(a);
    }
    if (archive_write_open_filename(a, QFile::encodeName(path).constData()) != ARCHIVE_OK)
        throw std::runtime_error("cannot create test archive");
    for (const Entry &e : entries) {
        struct archive_entry *entry = archive_entry_new();
        archive_entry_set_pathname_utf8(entry, e.name.toUtf8().constData());
        archive_entry_set_perm(entry, e.mode);
        archive_entry_set_mtime(entry, 1700000000, 0);
        switch (e.type) {
        case Entry::File:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_size(entry, e.content.size());
            break;
        case Entry::Folder:
            archive_entry_set_filetype(entry, AE_IFDIR);
            break;
        case Entry::Link:
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_symlink_utf8(entry, e.content.constData());
            break;
        case Entry::HardLink:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_hardlink_utf8(entry, e.content.constData());
            break;
        }
        if (archive_write_header(a, entry) != ARCHIVE_OK)
            throw std::runtime_error(archive_error_string(a));
        if (e.type == Entry::File && !e.content.isEmpty())
            archive_write_data(a, e.content.constData(), size_t(e.content.size()));
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
}

std::optional<QList<Entry>> readArchive(const QString &path, QString *formatName)
{
    struct archive *a = archive_read_new();
    archive_read_support_format_all(a);
    archive_read_support_filter_all(a);
    if (archive_read_open_filename(a, QFile::encodeName(path).constData(), 1 << 16) != ARCHIVE_OK) {
        archive_read_free(a);
        return std::nullopt;
    }
    QList<Entry> entries;
    struct archive_entry *entry = nullptr;
    int r;
    while ((r = archive_read_next_header(a, &entry)) == ARCHIVE_OK) {
        Entry e;
        e.name = QString::fromUtf8(archive_entry_pathname_utf8(entry));
        e.mode = archive_entry_perm(entry);
        const mode_t type = archive_entry_filetype(entry);
        if (type == AE_IFDIR) {
            e.type = Entry::Folder;
        } else if (type == AE_IFLNK) {
            e.type = Entry::Link;
            e.content = archive_entry_symlink_utf8(entry);
        } else {
            char buffer[4096];
            la_ssize_t n;
            while ((n = archive_read_data(a, buffer, sizeof buffer)) > 0)
                e.content.append(buffer, n);
        }
        entries << e;
    }
    if (formatName)
        *formatName = QString::fromUtf8(archive_format_name(a));
    archive_read_free(a);
    if (r != ARCHIVE_EOF)
        return std::nullopt;
    return entries;
}

int modeOf(const QString &path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

} // namespace FilesTest
