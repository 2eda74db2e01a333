#include "AppHooks.h"

#include "BrowserState.h"
#include "Defaults.h"
#include "MainWindow.h"
#include "PaneState.h"

#include <QFileInfo>

#include <algorithm>

AppHooks &AppHooks::shared()
{
    static AppHooks hooks;
    return hooks;
}

AppHooks::AppHooks(QObject *parent) : QObject(parent) {}

void AppHooks::setActive(BrowserState *state)
{
    m_active = state;
    emit activeChanged();
    if (!m_pendingReveal.isEmpty() && m_active) {
        const QStringList replay = m_pendingReveal;
        m_pendingReveal.clear();
        reveal(replay);
    }
    if (m_pending.isEmpty())
        return;
    const QStringList replay = m_pending;
    m_pending.clear();
    openExternal(replay);
}

void AppHooks::reveal(const QStringList &paths)
{
    if (!m_active) {
        m_pendingReveal = paths;
        return;
    }
    QString folder;
    QSet<QString> files;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.exists())
            continue;
        const QString parent = FileItem::identityPath(info.absolutePath());
        if (folder.isEmpty())
            folder = parent;
        if (parent == folder)
            files.insert(FileItem::identityPath(info.absoluteFilePath()));
    }
    if (!folder.isEmpty()) {
        m_active->scenarioCache().clear();
        select(folder, files);
    }
    activate();
}

void AppHooks::openExternal(const QStringList &paths)
{
    if (!m_active) {
        m_pending = paths;
        return;
    }
    for (const QString &path : paths) {
        // Each step may have closed the window (a listing never does, but be safe).
        if (!m_active)
            break;
        const QFileInfo info(path);
        if (!info.exists())
            continue;
        m_active->scenarioCache().clear();
        PaneState *pane = m_active->activePane();
        if (info.isDir()) {
            QObject::disconnect(m_reveal);
            pane->go(path, true);
        } else {
            select(FileItem::identityPath(info.absolutePath()),
                   {FileItem::identityPath(info.absoluteFilePath())});
        }
    }
    activate();
}

void AppHooks::select(const QString &folder, const QSet<QString> &files)
{
    PaneState *pane = m_active->activePane();
    // Entering the folder shown already would only list it again, and that listing would
    // clear the selection made here.
    const bool shown = pane->current() == folder;
    if (!shown)
        pane->go(folder, true);
    pane->setSelection(files);
    const bool listed = shown && std::all_of(files.cbegin(), files.cend(), [&](const QString &file) {
        return std::any_of(pane->items().cbegin(), pane->items().cend(),
                           [&](const FileItem &item) { return item.path == file; });
    });
    if (listed)
        QObject::disconnect(m_reveal);
    else
        revealWhenListed(pane, folder, files);
}

void AppHooks::revealWhenListed(PaneState *pane, const QString &folder, const QSet<QString> &files)
{
    QObject::disconnect(m_reveal);
    m_reveal = connect(pane, &PaneState::listed, this, [this, pane, folder, files] {
        QObject::disconnect(m_reveal);
        if (pane->current() == folder)
            pane->setSelection(files);
    });
}

void AppHooks::activate()
{
    if (MainWindow *window = MainWindow::of(m_active)) {
        window->raise();
        window->activateWindow();
    }
    emit activated();
}

bool AppHooks::menuBarAgentVisible()
{
    const QVariant value = Defaults::shared().value(QStringLiteral("menuBarAgentVisible"));
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toDouble() != 0;
    default:
        return true;
    }
}
