#pragma once

#include "UniqueFd.h"

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <optional>

// Containment on descriptors: the one road by which the core reaches anything below a
// workspace's root.
//
// The root is opened once, component by component from "/" without following a symbolic
// link. Every path below it is then walked from that descriptor one component at a time
// (openat with O_PATH|O_NOFOLLOW). A symbolic link met on the way is read and walked in
// its turn: a relative target from the link's folder, an absolute target only when it
// lies under the root's path, and then from the root descriptor. ".." never climbs above
// the root, and at most 40 links are followed. The caller then works on the descriptor the
// walk handed out (fstat, fdopendir, mkdirat, renameat2), so no path is resolved twice and
// a link swapped in after the walk cannot redirect the operation.
class WorkspaceRoot
{
public:
    // The error of a walk that would step outside the root.
    static constexpr int escapes = EXDEV;
    static constexpr int maxLinks = 40;

    // Opens the folder at the absolute `path`. A path that now leads through a symbolic
    // link anywhere, or that is no folder, is refused (see error()).
    explicit WorkspaceRoot(const QString &path);

    bool isOpen() const { return m_fd.valid(); }
    int error() const { return m_error; }
    int fd() const { return m_fd.get(); }

    struct Item
    {
        UniqueFd fd; // an O_PATH descriptor of the item reached
        int error = 0;
    };
    // The item at `relative` ("/"-separated components; empty and "." components are
    // skipped; empty names the root itself), every link followed, the last one too.
    Item open(const QString &relative) const;

    struct Entry
    {
        UniqueFd folder; // an O_PATH descriptor of the folder that holds the entry
        QByteArray name; // the entry's name in it: never empty, ".", ".." or with "/"
        int error = 0;
    };
    // The folder holding the last component of `relative` (links on the way followed) and
    // that component, which is not followed: the entry may be missing or be a link itself.
    // The root itself has no entry here (EINVAL).
    Entry entry(const QString &relative) const;

private:
    UniqueFd m_fd;
    QByteArray m_path;
    int m_error = 0;
};

// The real path of the absolute `path`: symbolic links resolved component by component
// (at most 40, with no limit on the length of the result), "." and ".." as the file system
// has them. A part that does not exist (or continues below a file) is appended as it
// stands, lexically standardised. Nothing when the walk fails otherwise (a link loop, a
// name too long, no permission).
std::optional<QString> realPathOf(const QString &path);

// A descriptor of the folder behind the O_PATH descriptor `fd`, open for reading (for
// fdopendir); -1 with errno set when it is no folder or cannot be read.
int openFolderForReading(int fd);
