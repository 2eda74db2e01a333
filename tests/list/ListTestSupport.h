#pragma once

#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "PaneState.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace ListTest {

using namespace BrowserTest;

// A window model showing `folder` in its one pane, listed.
inline void show(BrowserState &state, const QString &folder)
{
    state.activePane()->go(folder, false);
    settle();
}

// Drag data as another application writes it: text/uri-list lines ending in CR LF.
inline QMimeData *uriList(const QByteArrayList &lines)
{
    auto *data = new QMimeData;
    data->setData(QStringLiteral("text/uri-list"), lines.join("\r\n") + "\r\n");
    return data;
}

inline QByteArray fileUrl(const QString &path)
{
    return QUrl::fromLocalFile(path).toEncoded();
}

// Sends a drop of `data` at `pos` of `target` (enter, move, drop, as a drag does); returns
// whether the drop was accepted.
inline bool dropOn(QWidget *target, const QPoint &pos, const QMimeData *data)
{
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(QPointF(pos), actions, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

} // namespace ListTest
