#include "FileListModel.h"

#include "BrowserState.h"
#include "DisplayHelpers.h"
#include "Localization.h"
#include "PaneState.h"
#include "kit/Style.h"

#include <QGuiApplication>
#include <QMimeData>
#include <QSet>
#include <QTimer>
#include <QUrl>

namespace {

// Whether two items with the same path look the same in any view.
bool sameShownFields(const FileItem &a, const FileItem &b)
{
    return a.name == b.name && a.isDir == b.isDir && a.size == b.size && a.kind == b.kind
        && a.created == b.created && a.tags == b.tags && a.isHidden == b.isHidden
        && a.isOnline == b.isOnline && a.suggestion == b.suggestion;
}

bool hasSuggestion(const FileItem &item)
{
    return item.suggestion.has_value() && !item.suggestion->isEmpty();
}

} // namespace

FileListModel::FileListModel(BrowserState &state, QObject *parent)
    : QAbstractTableModel(parent), m_state(state)
{
    connect(&m_state, &BrowserState::tagFilterChanged, this, &FileListModel::refreshNow);
    // A type read from a file's content later than its cell was painted.
    connect(&m_state.icons(), &FileIcons::iconChanged, this, [this](const QString &path) {
        if (const int row = rowOf(path); row >= 0)
            emit dataChanged(index(row, NameColumn), index(row, NameColumn), {Qt::DecorationRole});
    });
}

void FileListModel::setPane(PaneState *pane)
{
    if (m_pane == pane && m_paneLink)
        return;
    delete m_paneLink;
    m_paneLink = new QObject(this);
    m_pane = pane;
    if (pane) {
        connect(pane, &PaneState::itemsChanged, m_paneLink, [this] { scheduleRefresh(); });
        // A typed filter shows at once; writes to the items come in bursts and coalesce.
        connect(pane, &PaneState::filterTextChanged, m_paneLink, [this] { refreshNow(); });
        connect(pane, &QObject::destroyed, m_paneLink, [this] { refreshNow(); }); // no rows left
    }
    refreshNow();
}

void FileListModel::scheduleRefresh()
{
    if (std::exchange(m_queued, true))
        return;
    QTimer::singleShot(0, this, [this] {
        if (m_queued)
            refresh();
    });
}

void FileListModel::refreshNow()
{
    refresh();
}

void FileListModel::refresh()
{
    m_queued = false;
    const QList<FileItem> shown = m_pane ? m_pane->displayed() : QList<FileItem>();

    bool samePaths = shown.size() == m_items.size();
    for (qsizetype row = 0; samePaths && row < shown.size(); ++row)
        samePaths = shown.at(row).path == m_items.at(row).path;

    int suggestions = 0;
    for (const FileItem &item : shown)
        suggestions += hasSuggestion(item) ? 1 : 0;

    if (samePaths) {
        // Signal each run of changed rows once.
        int first = -1;
        for (int row = 0; row <= int(shown.size()); ++row) {
            const bool changed =
                row < shown.size() && !sameShownFields(shown.at(row), m_items.at(row));
            if (row < shown.size())
                m_items[row] = shown.at(row); // keeps the unshown fields current too
            if (changed && first < 0)
                first = row;
            if (!changed && first >= 0) {
                emit dataChanged(index(first, 0), index(row - 1, ColumnCount - 1));
                first = -1;
            }
        }
        m_suggestions = suggestions;
        emit updated();
        return;
    }

    beginResetModel();
    m_items = shown;
    m_rowOf.clear();
    m_rowOf.reserve(m_items.size());
    for (int row = 0; row < m_items.size(); ++row)
        m_rowOf.insert(m_items.at(row).path, row);
    m_suggestions = suggestions;
    endResetModel();
    emit updated();
}

int FileListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

int FileListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FileListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size())
        return {};
    const FileItem &item = m_items.at(index.row());
    switch (role) {
    case PathRole:
        return item.path;
    case IsDirRole:
        return item.isDir;
    case IsHiddenRole:
        return item.isHidden;
    case TagsRole:
        return item.tags;
    default:
        break;
    }

    switch (index.column()) {
    case NameColumn:
        if (role == Qt::DisplayRole)
            return item.isOnline ? item.name + QStringLiteral("  \u2601\uFE0E") : item.name;
        if (role == Qt::EditRole || role == Qt::ToolTipRole)
            return item.name;
        if (role == Qt::DecorationRole)
            return m_state.icon(item.path, item.isDir);
        break;
    case SuggestionColumn:
        if (role == Qt::DisplayRole)
            return hasSuggestion(item) ? *item.suggestion : QStringLiteral("\u2014");
        if (role == Qt::EditRole)
            return item.suggestion.value_or(QString());
        if (role == Qt::ToolTipRole && hasSuggestion(item))
            return *item.suggestion;
        if (role == Qt::ForegroundRole) {
            const QPalette palette = QGuiApplication::palette();
            return hasSuggestion(item) ? Kit::tint(Kit::Tint::accent, palette)
                                       : Kit::textColor(Kit::Level::secondary, palette);
        }
        break;
    case SizeColumn:
        if (role == Qt::DisplayRole)
            return item.isDir ? QStringLiteral("--") : sizeStr(item.size);
        break;
    case KindColumn:
        if (role == Qt::DisplayRole)
            return item.kind;
        break;
    case DateColumn:
        if (role == Qt::DisplayRole)
            return dateStr(item.created);
        break;
    default:
        break;
    }
    return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case NameColumn:
        return L("名称");
    case SuggestionColumn:
        return L("AI 建议名");
    case SizeColumn:
        return L("大小");
    case KindColumn:
        return L("类型");
    case DateColumn:
        return L("创建日期");
    default:
        return {};
    }
}

Qt::ItemFlags FileListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || index.row() >= m_items.size())
        return Qt::ItemIsDropEnabled; // empty space takes drops into the pane's folder
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled
                        | Qt::ItemIsDropEnabled;
    if (index.column() == NameColumn || index.column() == SuggestionColumn)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool FileListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    // An empty value is what a view writes to clear cells after a move drag: refused, the
    // rows show the pane's files until the pane lists again.
    if (role != Qt::EditRole || !value.isValid() || !index.isValid() || index.row() >= m_items.size())
        return false;
    const FileItem item = m_items.at(index.row());
    const QString text = value.toString();
    if (index.column() == NameColumn) {
        if (m_state.editingRename() == item.path) {
            m_state.setRenameText(text);
            m_state.commitRename();
        } else {
            m_state.rename(item.path, text);
        }
        return true;
    }
    if (index.column() == SuggestionColumn) {
        const QString trimmed = text.trimmed();
        m_state.setSuggestion(item.path, trimmed);
        m_state.setAccept(item.path, !trimmed.isEmpty() && trimmed != item.name);
        return true;
    }
    return false;
}

QStringList FileListModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list")};
}

QMimeData *FileListModel::mimeData(const QModelIndexList &indexes) const
{
    QSet<int> unique;
    for (const QModelIndex &index : indexes) {
        if (index.isValid() && index.row() < m_items.size())
            unique.insert(index.row());
    }
    QList<int> rows(unique.cbegin(), unique.cend());
    std::sort(rows.begin(), rows.end());
    QList<QUrl> urls;
    for (int row : rows)
        urls << QUrl::fromLocalFile(m_items.at(row).path);
    auto *data = new QMimeData;
    data->setUrls(urls);
    return data;
}

Qt::DropActions FileListModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropActions FileListModel::supportedDropActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

bool FileListModel::canDropMimeData(const QMimeData *data, Qt::DropAction, int, int,
                                    const QModelIndex &) const
{
    return data && data->hasUrls();
}

SortKey FileListModel::sortKeyOf(int column)
{
    switch (column) {
    case SizeColumn:
        return SortKey::Size;
    case KindColumn:
        return SortKey::Kind;
    case DateColumn:
        return SortKey::Date;
    default:
        return SortKey::Name;
    }
}
