#include "FileContextMenu.h"

#include "Applications.h"
#include "BrowserState.h"
#include "DisplayHelpers.h"
#include "FileOps.h"
#include "Localization.h"
#include "PaneState.h"
#include "Store.h"
#include "WhenReady.h"
#include "kit/Style.h"
#include "preview/QuickLook.h"

#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPointer>

namespace FileContextMenu {

namespace {

const QStringList colourTags = {QStringLiteral("Red"),  QStringLiteral("Orange"), QStringLiteral("Yellow"),
                                QStringLiteral("Green"), QStringLiteral("Blue"), QStringLiteral("Purple"),
                                QStringLiteral("Gray")};

QIcon dot(const QColor &colour, bool checked)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(4, 4, 24, 24));
    if (checked) {
        painter.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(QPolygonF({QPointF(10, 16.5), QPointF(14.5, 21), QPointF(22, 11.5)}));
    }
    return QIcon(pixmap);
}

// The clicked item becomes the selection unless it is part of it already.
void selectFirst(BrowserState &state, const QString &path)
{
    PaneState *pane = state.activePane();
    if (!pane->selection().contains(path))
        pane->setSelection({path});
}

// Every selected path of the active pane, in listing order.
QStringList allSelected(BrowserState &state)
{
    QStringList paths;
    for (const FileItem &item : state.activePane()->selectedItems())
        paths << item.path;
    return paths;
}

} // namespace

bool isArchive(const QString &path)
{
    static const QStringList archives = {QStringLiteral("zip"), QStringLiteral("tar"), QStringLiteral("gz"),
                                         QStringLiteral("tgz")};
    return archives.contains(QFileInfo(path).suffix().toLower());
}

QMenu *build(BrowserState &state, const FileItem &item, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("fileContextMenu"));
    QPointer<BrowserState> live(&state);
    const QString path = item.path;
    // Adds an entry whose action runs while the window model is alive.
    auto add = [live](QMenu *into, const QString &name, const QString &title,
                      std::function<void(BrowserState &)> run) {
        QAction *action = into->addAction(title);
        action->setObjectName(name);
        QObject::connect(action, &QAction::triggered, into, [live, run] {
            if (live)
                run(*live);
        });
        return action;
    };
    // The same for entries that act on the selection: the selection rule runs first.
    auto addForSelection = [add, path](QMenu *into, const QString &name, const QString &title,
                                       std::function<void(BrowserState &)> run) {
        return add(into, name, title, [path, run](BrowserState &s) {
            selectFirst(s, path);
            run(s);
        });
    };

    addForSelection(menu, QStringLiteral("ctxOpen"), L("打开"), [item](BrowserState &s) { s.open(item); });
    if (item.isDir) {
        add(menu, QStringLiteral("ctxTerminal"), L("在终端打开"),
            [path](BrowserState &s) { s.openInTerminal(path); });
        add(menu, QStringLiteral("ctxFavorite"), L("添加到收藏"),
            [path](BrowserState &s) { s.addFavorite(path); });
        add(menu, QStringLiteral("ctxPin"), Store::shared().pins().contains(path) ? L("取消置顶") : L("置顶到侧栏"),
            [path](BrowserState &) { Store::shared().togglePin(path); });
    } else {
        addForSelection(menu, QStringLiteral("ctxQL"), L("快速查看"),
                        [path](BrowserState &s) { QuickLook::toggle(s.targets(path)); });
        QMenu *with = menu->addMenu(L("打开方式"));
        with->setObjectName(QStringLiteral("ctxOpenWith"));
        // The lookup reads the desktop database on a worker; until it answers, the submenu
        // says it is looking.
        const auto fill = [with, add, path](const QList<Applications::App> &apps) {
            with->clear();
            for (const Applications::App &app : apps) {
                add(with, QStringLiteral("ctxApp"), Kit::escapeMnemonic(app.name),
                    [path, id = app.id](BrowserState &s) { s.openWith(path, id); })
                    ->setData(app.id);
            }
            with->setEnabled(!apps.isEmpty());
        };
        const QFuture<QList<Applications::App>> apps = state.appsFor(path);
        if (apps.isFinished()) {
            fill(apps.resultCount() > 0 ? apps.result() : QList<Applications::App>());
        } else {
            QAction *looking = with->addAction(L("正在查找应用…"));
            looking->setObjectName(QStringLiteral("ctxAppsLooking"));
            looking->setEnabled(false);
            whenReady(apps, with, fill);
        }
    }
    menu->addSeparator();
    addForSelection(menu, QStringLiteral("ctxCopy"), L("拷贝"), [](BrowserState &s) { s.copySel(); });
    addForSelection(menu, QStringLiteral("ctxCut"), L("剪切"), [](BrowserState &s) { s.cutSel(); });
    addForSelection(menu, QStringLiteral("ctxDuplicate"), L("重复"), [](BrowserState &s) { s.duplicateSel(); });
    addForSelection(menu, QStringLiteral("ctxCopyPath"), L("拷贝路径"), [](BrowserState &s) { s.copyPath(); });
    add(menu, QStringLiteral("ctxRename"), L("重命名"), [path](BrowserState &s) {
        s.setEditingRename(path);
        s.setRenameText(QFileInfo(path).fileName());
    });
    menu->addSeparator();
    addForSelection(menu, QStringLiteral("ctxCompress"), L("压缩"),
                    [](BrowserState &s) { s.compress(allSelected(s)); });
    if (isArchive(path))
        add(menu, QStringLiteral("ctxExtract"), L("解压"), [path](BrowserState &s) { s.extract(path); });
    if (!item.isDir) {
        if (item.isOnline) {
            add(menu, QStringLiteral("ctxDownloadName"), L("☁︎ 下载并读内容起名"), [path](BrowserState &s) {
                s.setStatus(L("☁︎ 正在下载在线文件…"));
                s.organizeURLs({path}, true);
            });
        } else {
            add(menu, QStringLiteral("ctxSuggestName"), L("AI 命名建议"),
                [path](BrowserState &s) { s.organizeURLs({path}, false); });
        }
    }
    QMenu *tags = menu->addMenu(L("标签"));
    tags->setObjectName(QStringLiteral("ctxTags"));
    for (const QString &tag : colourTags) {
        const bool on = item.tags.contains(tag);
        QAction *action = addForSelection(tags, QStringLiteral("ctxTag") + tag, tagDisplay(tag),
                                          [tag](BrowserState &s) { s.toggleTag(tag, allSelected(s)); });
        action->setCheckable(true);
        action->setChecked(on);
        action->setIcon(dot(tagColor(tag), on));
        action->setData(tag);
    }
    menu->addSeparator();
    add(menu, QStringLiteral("ctxReveal"), L("在文件管理器中显示"),
        [path](BrowserState &s) { s.reveal(s.targets(path)); });
    addForSelection(menu, QStringLiteral("ctxTrash"), L("移到废纸篓"),
                    [](BrowserState &s) { s.trash(allSelected(s)); });
    return menu;
}

} // namespace FileContextMenu
