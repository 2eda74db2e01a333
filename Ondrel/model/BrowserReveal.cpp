// Showing items in their folder: the desktop's file manager, else the active pane.
#include "BrowserState.h"
#include "PaneState.h"
#include "Reveal.h"

#include <QFileInfo>

void BrowserState::reveal(const QStringList &paths)
{
    if (paths.isEmpty() || Reveal::showItems(paths))
        return;
    showInPane(paths);
}

void BrowserState::showInPane(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    const QString folder = FileItem::identityPath(QFileInfo(FileItem::identityPath(paths.first())).path());
    QSet<QString> wanted;
    for (const QString &path : paths) {
        const QString item = FileItem::identityPath(path);
        if (QFileInfo(item).path() == folder && item != folder)
            wanted.insert(item);
    }
    PaneState *pane = activePane();
    const QPointer<PaneState> guard(pane);
    // The selection is made after the listing that follows: it names only listed items,
    // and a listing replaces the selection of the folder it shows.
    connect(
        pane, &PaneState::listed, pane,
        [guard, folder, wanted] {
            if (!guard || guard->current() != folder)
                return;
            QSet<QString> listed;
            for (const FileItem &item : guard->items())
                if (wanted.contains(item.path))
                    listed.insert(item.path);
            guard->setSelection(listed);
        },
        Qt::SingleShotConnection);
    if (pane->current() == folder)
        pane->rebuild(true);
    else
        pane->go(folder, true);
}
