#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// A folder the user authorised for AI collaboration.
struct Workspace
{
    QString id;   // slug of the folder's name, unique in the registry
    QString name; // the folder's name when it was authorised
    QString path; // absolute, standardised, symbolic links resolved, no trailing "/"
    QDateTime createdAt;

    QString url() const { return path; }

    QJsonObject toJson() const;
    static Workspace fromJson(const QJsonValue &value); // throws DecodingError

    bool operator==(const Workspace &other) const;
};

// Whether `path` is `root` or lies below it, compared lexically after standardising both
// ("/a/bc" is not inside "/a/b").
bool inside(const QString &path, const QString &root);

// The identifier made from a folder name: lower-cased, split at everything that is neither
// a letter nor a number, pieces joined by "-"; "workspace" when nothing is left.
QString workspaceSlug(const QString &name);

// Standardises `path` (removes "." and ".." components and a trailing "/").
QString standardizedPath(const QString &path);

// Standardises `path` and resolves symbolic links in the part of it that exists; the
// rest is appended unchanged. Empty when the links cannot be resolved (a loop, a name too
// long, no permission): such a path lies in no workspace.
QString resolvedPath(const QString &path);

// The workspaces kept in "workspaces.json". Nothing is kept in memory: every call reads
// the file afresh, and every change rewrites it atomically.
class WorkspaceRegistry
{
public:
    static WorkspaceRegistry &shared();

    QList<Workspace> list() const;
    Workspace add(const QString &folder);
    void remove(const QString &id);
    Workspace root(const QString &id) const;
    // The innermost workspace that contains `path`, after resolving symbolic links.
    std::optional<Workspace> rootContaining(const QString &path) const;
    // The innermost workspace that contains the already resolved path `resolved`.
    std::optional<Workspace> rootHolding(const QString &resolved) const;

private:
    WorkspaceRegistry() = default;
    QList<Workspace> read() const;
    void write(const QList<Workspace> &workspaces);
};
