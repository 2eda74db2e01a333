#include "DataFiles.h"

#include "CoreError.h"
#include "FileSystem.h"
#include "Localization.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DataFiles {

std::optional<QByteArray> readIfExists(const QString &path)
{
    const int fd = ::open(FileSystem::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throw FileSystemError(L("无法读取文件“%@”：%@", path, systemReason(errno)));
    }
    QByteArray bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            throw FileSystemError(L("无法读取文件“%@”：%@", path, systemReason(error)));
        }
        if (n == 0)
            break;
        bytes.append(buffer, n);
    }
    ::close(fd);
    return bytes;
}

void writeAtomically(const QString &path, const QByteArray &bytes)
{
    if (int error = FileSystem::writeAtomically(path, bytes))
        throw FileSystemError(L("无法写入文件“%@”：%@", path, systemReason(error)));
}

} // namespace DataFiles
