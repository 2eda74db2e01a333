#include "Workspace.h"

#include "CoreError.h"
#include "DataFiles.h"
#include "FileSystem.h"
#include "JsonCoding.h"
#include "Localization.h"
#include "MarovelPaths.h"
#include "TextUtil.h"
#include "WorkspaceRoot.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBoundaryFinder>

QJsonObject Workspace::toJson() const
{
    return {{"id", id}, {"name", name}, {"path", path}, {"createdAt", JsonCoding::dateText(createdAt)}};
}

Workspace Workspace::fromJson(const QJsonValue &value)
{
    const JsonCoding::Reader reader(value, QStringLiteral("workspace"));
    return {reader.string("id"), reader.string("name"), reader.string("path"),
            reader.date("createdAt")};
}

bool Workspace::operator==(const Workspace &other) const
{
    return id == other.id && name == other.name && path == other.path
           && createdAt == other.createdAt;
}

QString standardizedPath(const QString &path)
{
    if (path.isEmpty())
        return path;
    QString clean = QDir::cleanPath(path);
    // Above the root there is nothing: "/.." is "/".
    while (clean.startsWith(QStringLiteral("/..")) && (clean.size() == 3 || clean[3] == u'/'))
        clean = clean.size() == 3 ? QStringLiteral("/") : clean.mid(3);
    return clean;
}

QString resolvedPath(const QString &path)
{
    const QString absolute = standardizedPath(QDir::current().absoluteFilePath(path));
    return realPathOf(absolute).value_or(QString());
}

bool inside(const QString &path, const QString &root)
{
    const QString a = standardizedPath(path);
    const QString b = standardizedPath(root);
    if (a == b)
        return true;
    if (b == u"/")
        return a.startsWith(u'/');
    return a.startsWith(b) && a.size() > b.size() && a[b.size()] == u'/';
}

QString workspaceSlug(const QString &name)
{
    const QString lower = name.toLower();
    QStringList pieces;
    QString piece;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, lower);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        const QStringView grapheme = QStringView(lower).mid(start, end - start);
        start = end;
        const char32_t first = grapheme.toUcs4().value(0);
        if (QChar::isLetter(first) || QChar::isNumber(first)) {
            piece += grapheme;
        } else if (!piece.isEmpty()) {
            pieces << piece;
            piece.clear();
        }
    }
    if (!piece.isEmpty())
        pieces << piece;
    return pieces.isEmpty() ? QStringLiteral("workspace") : pieces.join(u'-');
}

WorkspaceRegistry &WorkspaceRegistry::shared()
{
    static WorkspaceRegistry registry;
    return registry;
}

QList<Workspace> WorkspaceRegistry::read() const
{
    MarovelPaths::prepare();
    const QString file = MarovelPaths::roots();
    const auto bytes = DataFiles::readIfExists(file);
    if (!bytes)
        return {};
    QList<Workspace> workspaces;
    const QJsonArray array =
        JsonCoding::Reader::arrayValue(JsonCoding::parse(*bytes, file), file);
    for (const QJsonValue &item : array)
        workspaces.append(Workspace::fromJson(item));
    return workspaces;
}

void WorkspaceRegistry::write(const QList<Workspace> &workspaces)
{
    QJsonArray array;
    for (const Workspace &workspace : workspaces)
        array.append(workspace.toJson());
    DataFiles::writeAtomically(MarovelPaths::roots(), JsonCoding::pretty(array));
}

QList<Workspace> WorkspaceRegistry::list() const
{
    return read();
}

Workspace WorkspaceRegistry::add(const QString &folderURL)
{
    const QString standardized = standardizedPath(QDir::current().absoluteFilePath(folderURL));
    const QString resolved = resolvedPath(standardized);
    const QString folder = resolved.isEmpty() ? standardized : resolved;
    if (resolved.isEmpty() || FileSystem::hasNul(folder) || !FileSystem::isDirectory(folder))
        throw CoreError(L("不是文件夹：%@", folder));

    QList<Workspace> workspaces = read();
    for (const Workspace &workspace : workspaces) {
        if (workspace.path == folder)
            throw CoreError(L("工作区已存在：%@", folder));
    }
    const auto taken = [&](const QString &id) {
        return std::any_of(workspaces.cbegin(), workspaces.cend(), [&](const Workspace &w) {
            return TextUtil::canonicallyEqual(w.id, id);
        });
    };
    const QString name = folder == u"/" ? QStringLiteral("/") : QFileInfo(folder).fileName();
    const QString base = workspaceSlug(name);
    QString id = base;
    for (int n = 2; taken(id); ++n)
        id = base + u'-' + QString::number(n);

    // The file keeps whole seconds; so does the returned record.
    const QDateTime now = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
    const Workspace workspace{id, name, folder, now};
    workspaces.append(workspace);
    write(workspaces);
    return workspace;
}

void WorkspaceRegistry::remove(const QString &id)
{
    QList<Workspace> workspaces = read();
    const auto removed = workspaces.removeIf(
        [&](const Workspace &w) { return TextUtil::canonicallyEqual(w.id, id); });
    if (removed == 0)
        throw CoreError(L("未找到工作区：%@", id));
    write(workspaces);
}

Workspace WorkspaceRegistry::root(const QString &id) const
{
    for (const Workspace &workspace : read()) {
        if (TextUtil::canonicallyEqual(workspace.id, id))
            return workspace;
    }
    throw CoreError(L("未找到工作区：%@", id));
}

std::optional<Workspace> WorkspaceRegistry::rootContaining(const QString &path) const
{
    if (FileSystem::hasNul(path))
        return std::nullopt; // names nothing on disk
    const QString resolved = resolvedPath(path);
    if (resolved.isEmpty())
        return std::nullopt; // a path that cannot be resolved is nobody's
    return rootHolding(resolved);
}

std::optional<Workspace> WorkspaceRegistry::rootHolding(const QString &resolved) const
{
    std::optional<Workspace> best;
    qsizetype bestLength = -1;
    for (const Workspace &workspace : read()) {
        if (!inside(resolved, workspace.path))
            continue;
        const qsizetype length = TextUtil::graphemeCount(workspace.path);
        if (length > bestLength) {
            best = workspace;
            bestLength = length;
        }
    }
    return best;
}
