#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reading and writing whole files of the data folder, with errors as FileSystemError.
namespace DataFiles {

// The file's bytes; nothing when it does not exist. Throws FileSystemError otherwise.
std::optional<QByteArray> readIfExists(const QString &path);
// Replaces the file atomically; throws FileSystemError.
void writeAtomically(const QString &path, const QByteArray &bytes);

} // namespace DataFiles
