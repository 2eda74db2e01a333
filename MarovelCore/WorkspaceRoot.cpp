#include "WorkspaceRoot.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace {

// The components of a path, without empty and "." ones.
std::deque<QByteArray> components(const QByteArray &path)
{
    std::deque<QByteArray> parts;
    for (const QByteArray &part : path.split('/')) {
        if (!part.isEmpty() && part != ".")
            parts.push_back(part);
    }
    return parts;
}

QByteArray readLink(int fd, int *error)
{
    // The kernel refuses link targets longer than this.
    QByteArray target(4096, '\0');
    const ssize_t n = ::readlinkat(fd, "", target.data(), size_t(target.size()));
    if (n < 0) {
        *error = errno;
        return {};
    }
    target.truncate(n);
    return target;
}

// One walk: a stack of folders from its start to where it stands now, so ".." goes back
// to the folder the walk came from (as the kernel does) and never above the start.
class Walk
{
public:
    Walk(UniqueFd start, const QByteArray &startPath) : m_startParts(components(startPath))
    {
        m_stack.push_back({std::move(start), QByteArray()});
    }

    // Walks `pending`, front first. 0, or an errno; on a failure at a name, `pending`
    // starts with that name and holds what was not walked.
    int run(std::deque<QByteArray> &pending, bool followLast)
    {
        while (!pending.empty()) {
            const QByteArray name = pending.front();
            pending.pop_front();
            if (name == "..") {
                if (m_stack.size() == 1)
                    return WorkspaceRoot::escapes;
                m_stack.pop_back();
                continue;
            }
            UniqueFd item(::openat(top(), name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
            struct stat info;
            if (!item.valid() || ::fstat(item.get(), &info) != 0) {
                const int error = errno;
                pending.push_front(name);
                return error;
            }
            const bool last = pending.empty();
            if (S_ISLNK(info.st_mode) && (!last || followLast)) {
                if (int error = follow(item.get(), pending))
                    return error;
                continue;
            }
            if (!last && !S_ISDIR(info.st_mode)) {
                pending.push_front(name);
                return ENOTDIR;
            }
            m_stack.push_back({std::move(item), name});
        }
        return 0;
    }

    int top() const { return m_stack.back().fd.get(); }
    UniqueFd takeTop() { return std::move(m_stack.back().fd); }

    // The path of where the walk stands, from the start's path.
    QByteArray path(const QByteArray &startPath) const
    {
        QByteArray path = startPath == "/" ? QByteArray() : startPath;
        for (size_t i = 1; i < m_stack.size(); ++i)
            path += '/' + m_stack[i].name;
        return path.isEmpty() ? QByteArray("/") : path;
    }

private:
    struct Level
    {
        UniqueFd fd;
        QByteArray name;
    };

    // Puts the target of the link `fd` in front of `pending`.
    int follow(int fd, std::deque<QByteArray> &pending)
    {
        if (++m_links > WorkspaceRoot::maxLinks)
            return ELOOP;
        int error = 0;
        const QByteArray target = readLink(fd, &error);
        if (error)
            return error;
        if (target.isEmpty())
            return ENOENT;
        std::deque<QByteArray> parts = components(target);
        if (target.startsWith('/')) {
            // Absolute: only below the start's own path, walked again from the start.
            if (parts.size() < m_startParts.size()
                || !std::equal(m_startParts.cbegin(), m_startParts.cend(), parts.cbegin()))
                return WorkspaceRoot::escapes;
            parts.erase(parts.begin(), parts.begin() + std::ptrdiff_t(m_startParts.size()));
            m_stack.resize(1);
        }
        pending.insert(pending.begin(), parts.begin(), parts.end());
        return 0;
    }

    std::vector<Level> m_stack;
    std::deque<QByteArray> m_startParts;
    int m_links = 0;
};

UniqueFd duplicate(int fd)
{
    return UniqueFd(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
}

} // namespace

WorkspaceRoot::WorkspaceRoot(const QString &path)
{
    m_path = QFile::encodeName(path);
    if (!m_path.startsWith('/') || m_path.contains('\0')) {
        m_error = EINVAL;
        return;
    }
    UniqueFd fd(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    for (const QByteArray &part : m_path.split('/')) {
        if (!fd.valid())
            break;
        if (part.isEmpty())
            continue;
        if (part == "." || part == "..") {
            m_error = EINVAL;
            return;
        }
        fd = UniqueFd(::openat(fd.get(), part.constData(),
                               O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    struct stat info;
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0) {
        m_error = errno;
        return;
    }
    if (!S_ISDIR(info.st_mode)) { // a link opened as itself
        m_error = ENOTDIR;
        return;
    }
    m_fd = std::move(fd);
}

WorkspaceRoot::Item WorkspaceRoot::open(const QString &relative) const
{
    if (!isOpen())
        return {UniqueFd(), m_error};
    Walk walk(duplicate(fd()), m_path);
    std::deque<QByteArray> pending = components(QFile::encodeName(relative));
    if (int error = walk.run(pending, true))
        return {UniqueFd(), error};
    return {walk.takeTop(), 0};
}

WorkspaceRoot::Entry WorkspaceRoot::entry(const QString &relative) const
{
    if (!isOpen())
        return {UniqueFd(), QByteArray(), m_error};
    std::deque<QByteArray> pending = components(QFile::encodeName(relative));
    if (pending.empty() || pending.back() == "..")
        return {UniqueFd(), QByteArray(), EINVAL};
    const QByteArray name = pending.back();
    pending.pop_back();
    Walk walk(duplicate(fd()), m_path);
    if (int error = walk.run(pending, true))
        return {UniqueFd(), QByteArray(), error};
    struct stat info;
    if (::fstat(walk.top(), &info) != 0)
        return {UniqueFd(), QByteArray(), errno};
    if (!S_ISDIR(info.st_mode))
        return {UniqueFd(), QByteArray(), ENOTDIR};
    return {walk.takeTop(), name, 0};
}

std::optional<QString> realPathOf(const QString &path)
{
    const QByteArray bytes = QFile::encodeName(path);
    if (!bytes.startsWith('/') || bytes.contains('\0'))
        return std::nullopt;
    Walk walk(UniqueFd(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC)), "/");
    std::deque<QByteArray> pending = components(bytes);
    const int error = walk.run(pending, true);
    QByteArray real = walk.path("/");
    if (error == ENOENT || error == ENOTDIR) {
        for (const QByteArray &part : pending)
            real += (real.endsWith('/') ? "" : "/") + part;
        return QDir::cleanPath(QFile::decodeName(real));
    }
    if (error)
        return std::nullopt;
    return QFile::decodeName(real);
}

int openFolderForReading(int fd)
{
    return ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}
