#pragma once

#include "FileSystem.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// A folder whose real path is longer than PATH_MAX, reached by a path that is not.
//
// Below `base` it makes a chain of long folder names, and inside its last folder a second
// chain, made from descriptors (its path is too long for any path-taking call), reached
// through the relative link "more". The deepest folder holds "SECRET.txt" (10 bytes) and a
// folder "vault". Returns base/<first chain>/more, the short way in; remove the chain with
// removeLongChain(base).
namespace LongPaths {

inline QByteArray longName(char letter, int i)
{
    return QByteArray(240, letter) + QByteArray::number(i);
}

inline QString makeChain(const QString &base)
{
    int fd = ::open(QFile::encodeName(base).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    QByteArray first;
    const auto descend = [](int &dir, const QByteArray &name) {
        EXPECT_EQ(::mkdirat(dir, name.constData(), 0755), 0);
        const int next = ::openat(dir, name.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        EXPECT_GE(next, 0);
        ::close(dir);
        dir = next;
    };
    for (int i = 0; i < 8; ++i) {
        descend(fd, longName('d', i));
        first += '/' + longName('d', i);
    }
    int deep = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    QByteArray second;
    for (int i = 0; i < 10; ++i) {
        descend(deep, longName('e', i));
        second += (second.isEmpty() ? "" : "/") + longName('e', i);
    }
    const int dataFd = ::openat(deep, "SECRET.txt", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    EXPECT_GE(dataFd, 0);
    EXPECT_EQ(::write(dataFd, "top secret", 10), 10);
    ::close(dataFd);
    EXPECT_EQ(::mkdirat(deep, "vault", 0755), 0);
    ::close(deep);
    EXPECT_EQ(::symlinkat(second.constData(), fd, "more"), 0);
    ::close(fd);
    const QString path = base + QFile::decodeName(first) + QStringLiteral("/more");
    // The real path is base + first + "/" + second, well beyond PATH_MAX.
    EXPECT_GT(QFile::encodeName(base).size() + first.size() + 1 + second.size(), PATH_MAX);
    return path;
}

// Removes what makeChain made below `base`, by descriptors (no path reaches that deep).
inline void removeChain(const QString &base)
{
    const int fd = ::open(QFile::encodeName(base).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(FileSystem::removeTreeAt(fd, longName('d', 0)), 0);
    ::close(fd);
}

} // namespace LongPaths
