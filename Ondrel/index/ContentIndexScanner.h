#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One file found by the walk. `modified` is seconds since 1970 (nanoseconds kept).
struct IndexedFile
{
    QString path;
    qint64 size = 0;
    double modified = 0;
    bool operator==(const IndexedFile &other) const = default;
};

// The walk of the content index: lists the regular files below each root, in the order
// the folders yield them, root after root (nested roots list their files twice). Hidden
// items and what FileFilter::shouldSkipForIndexing() names are neither listed nor entered.
// Symbolic links are neither followed nor listed, and only regular files are listed: a
// FIFO or a device is never opened. Unreadable folders are passed over. Blocking: run it
// off the GUI thread.
namespace ContentIndexScanner {

QList<IndexedFile> files(const QStringList &roots);

} // namespace ContentIndexScanner
