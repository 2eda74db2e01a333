#pragma once

#include "Volumes.h"

#include <QList>
#include <QTreeWidget>

#include <functional>

class BrowserState;
class QMenu;

// The window's source list of places: favourites, pinned and recent folders, the AI
// collaboration workspaces, cloud drives, the connect-to-server entry with the mounted
// volumes, the tags of the active pane and the Trash. One click sends the active pane to
// a place; context menus pin, unpin, remove a favourite, show a folder in the file manager
// or withdraw a workspace. Nothing is ever selected.
//
// It owns no data: the rows are rebuilt from the window model, Store and
// CollaborationStore when one of them reports a change (coalesced into one rebuild). A
// rebuild checks which pinned and recent folders still exist and asks for the cloud drives.
class Sidebar : public QTreeWidget
{
    Q_OBJECT

public:
    enum class Row { Section, Favorite, Pinned, Recent, Authorize, Workspace, CloudDrive, ConnectServer, Volume, Tag, Trash };
    // What each row keeps: its kind, and the path, tag name or workspace id it stands for.
    static constexpr int kindRole = Qt::UserRole;
    static constexpr int keyRole = Qt::UserRole + 1;

    static constexpr int columnMinWidth = 168;

    explicit Sidebar(BrowserState &state, QWidget *parent = nullptr);

    // The cloud drives shown; by default those the desktop reports. For tests.
    void setCloudDriveSource(std::function<QList<Volume>()> source);

    // The title of a cloud drive: the desktop's name for it, else its folder's name up to
    // the first "-" ("GoogleDrive" shown as "Google Drive").
    static QString driveTitle(const Volume &drive);

    // The context menu of a row, made for `parent`; none for rows without one.
    QMenu *menuFor(QTreeWidgetItem *item, QWidget *parent);

    // Rebuilds at once (normally done on the next turn of the event loop after a change).
    void rebuild();

protected:
    void changeEvent(QEvent *event) override;
    void updateGeometries() override;

private:
    void scheduleRebuild();
    QTreeWidgetItem *section(const QString &key);
    QTreeWidgetItem *row(QTreeWidgetItem *section, Row kind, const QString &key, const QString &title,
                         const QString &symbol);
    void addVolume(QTreeWidgetItem *section, const Volume &volume);
    void addTag(QTreeWidgetItem *section, const QString &tag);
    void activate(QTreeWidgetItem *item);
    void navigate(const QString &path);
    void showMenu(const QPoint &pos);

    BrowserState &m_state;
    std::function<QList<Volume>()> m_cloudDrives;
    bool m_queued = false;
};
