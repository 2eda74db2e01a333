#include "Sidebar.h"

#include "BrowserState.h"
#include "CollaborationStore.h"
#include "DisplayHelpers.h"
#include "FileItem.h"
#include "Localization.h"
#include "PaneState.h"
#include "SidebarRow.h"
#include "Store.h"
#include "Trash.h"
#include "kit/Icons.h"
#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

#include <utility>

namespace {

using Row = Sidebar::Row;

Row kindOf(const QTreeWidgetItem *item)
{
    return item ? Row(item->data(0, Sidebar::kindRole).toInt()) : Row::Section;
}

QString keyOf(const QTreeWidgetItem *item)
{
    return item ? item->data(0, Sidebar::keyRole).toString() : QString();
}

bool isRoot(const QString &path)
{
    return QDir::cleanPath(path) == u"/";
}

} // namespace

Sidebar::Sidebar(BrowserState &state, QWidget *parent)
    : QTreeWidget(parent), m_state(state), m_cloudDrives([&state] { return state.cloudDrives(); })
{
    setObjectName(QStringLiteral("sidebar"));
    setMinimumWidth(columnMinWidth);
    setColumnCount(1);
    setHeaderHidden(true);
    header()->setStretchLastSection(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(0);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideRight);
    setIconSize({16, 16});
    setContextMenuPolicy(Qt::CustomContextMenu);
    // A source list sits on the window's colour, not on the white of a document list.
    viewport()->setBackgroundRole(QPalette::Window);
    setBackgroundRole(QPalette::Window);

    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { activate(item); });
    connect(this, &QWidget::customContextMenuRequested, this, &Sidebar::showMenu);

    for (auto changed : {&BrowserState::favoritesChanged, &BrowserState::volumesChanged,
                         &BrowserState::tagFilterChanged, &BrowserState::tagsInUseChanged})
        connect(&m_state, changed, this, &Sidebar::scheduleRebuild);
    connect(&Store::shared(), &Store::pinsChanged, this, &Sidebar::scheduleRebuild);
    connect(&Store::shared(), &Store::recentsChanged, this, &Sidebar::scheduleRebuild);
    connect(&CollaborationStore::shared(), &CollaborationStore::workspacesChanged, this,
            &Sidebar::scheduleRebuild);
    // The titles follow the interface language; the first call builds the rows.
    Kit::retranslate(this, [this] { rebuild(); });
}

void Sidebar::setCloudDriveSource(std::function<QList<Volume>()> source)
{
    m_cloudDrives = std::move(source);
    scheduleRebuild();
}

QString Sidebar::driveTitle(const Volume &drive)
{
    if (!drive.name.isEmpty())
        return drive.name;
    QString name = QFileInfo(drive.path).fileName();
    if (const qsizetype hyphen = name.indexOf(u'-'); hyphen >= 0)
        name.truncate(hyphen);
    return name == u"GoogleDrive" ? QStringLiteral("Google Drive") : name;
}

void Sidebar::changeEvent(QEvent *event)
{
    QTreeWidget::changeEvent(event);
    // The headers' secondary colour is mixed from the palette.
    if (event->type() == QEvent::PaletteChange)
        scheduleRebuild();
}

void Sidebar::updateGeometries()
{
    QTreeWidget::updateGeometries();
    // The tree view sets the viewport's margins for its header (hidden here): put back the
    // room from the window's edge. Equal margins change nothing, so this settles at once.
    const QMargins room(Kit::Space::small, Kit::Space::tight, 0, 0);
    if (viewportMargins() != room)
        setViewportMargins(room);
}

void Sidebar::scheduleRebuild()
{
    if (std::exchange(m_queued, true))
        return;
    QTimer::singleShot(0, this, [this] {
        if (m_queued)
            rebuild();
    });
}

void Sidebar::rebuild()
{
    m_queued = false;
    const int scrolled = verticalScrollBar()->value();
    clear();

    QTreeWidgetItem *favorites = section(QStringLiteral("收藏"));
    for (const QString &path : m_state.favorites())
        row(favorites, Row::Favorite, path, displayName(path), locIcon(path));

    Store &store = Store::shared();
    if (const QStringList pins = store.pinnedPaths(); !pins.isEmpty()) {
        QTreeWidgetItem *pinned = section(QStringLiteral("置顶"));
        for (const QString &path : pins)
            row(pinned, Row::Pinned, path, displayName(path), QStringLiteral("pin.fill"));
    }
    if (const QStringList recents = store.topRecents(8); !recents.isEmpty()) {
        QTreeWidgetItem *recent = section(QStringLiteral("最近"));
        for (const QString &path : recents)
            row(recent, Row::Recent, path, displayName(path), QStringLiteral("clock"));
    }

    // Shown with or without recent folders: authorising must not wait for a first visit.
    QTreeWidgetItem *workspaces = section(QStringLiteral("协作工作区"));
    row(workspaces, Row::Authorize, {}, L("将当前文件夹授权给协作"), QStringLiteral("person.2.badge.gearshape"))
        ->setToolTip(0, L("将当前文件夹授权给协作"));
    for (const Workspace &workspace : CollaborationStore::shared().workspaces()) {
        QTreeWidgetItem *item = row(workspaces, Row::Workspace, workspace.id, workspace.name,
                                    QStringLiteral("folder.badge.person.crop"));
        item->setToolTip(0, workspace.path);
    }

    if (const QList<Volume> drives = m_cloudDrives ? m_cloudDrives() : QList<Volume>(); !drives.isEmpty()) {
        QTreeWidgetItem *clouds = section(QStringLiteral("云盘"));
        for (const Volume &drive : drives)
            row(clouds, Row::CloudDrive, drive.path, driveTitle(drive), QStringLiteral("cloud"));
    }

    QTreeWidgetItem *places = section(QStringLiteral("位置"));
    row(places, Row::ConnectServer, {}, L("连接服务器…"), QStringLiteral("network"));
    for (const Volume &volume : m_state.volumes())
        addVolume(places, volume);

    if (const QStringList tags = m_state.tagsInUse(); !tags.isEmpty()) {
        QTreeWidgetItem *tagSection = section(QStringLiteral("标签"));
        for (const QString &tag : tags)
            addTag(tagSection, tag);
    }

    // A little room sets the Trash apart from the last section's rows.
    auto *gap = new QTreeWidgetItem(this);
    gap->setData(0, kindRole, int(Row::Section));
    gap->setFlags(Qt::NoItemFlags);
    gap->setSizeHint(0, {0, Kit::Space::normal});
    row(nullptr, Row::Trash, Trash::filesFolder(), L("废纸篓"), QStringLiteral("trash"));

    expandAll();
    verticalScrollBar()->setValue(scrolled);
}

QTreeWidgetItem *Sidebar::section(const QString &key)
{
    auto *item = new QTreeWidgetItem(this);
    item->setText(0, L(key));
    item->setData(0, kindRole, int(Row::Section));
    item->setData(0, keyRole, key);
    item->setFlags(Qt::ItemIsEnabled);
    item->setFont(0, Kit::font(Kit::TextRole::caption, font()));
    item->setForeground(0, Kit::textColor(Kit::Level::secondary, palette()));
    item->setSizeHint(0, {0, fontMetrics().height() + 12});
    item->setTextAlignment(0, Qt::AlignLeft | Qt::AlignBottom);
    return item;
}

QTreeWidgetItem *Sidebar::row(QTreeWidgetItem *section, Row kind, const QString &key, const QString &title,
                              const QString &symbol)
{
    auto *item = section ? new QTreeWidgetItem(section) : new QTreeWidgetItem(this);
    item->setData(0, kindRole, int(kind));
    item->setData(0, keyRole, key);
    item->setText(0, title);
    if (!symbol.isEmpty())
        item->setIcon(0, Kit::icon(symbol));
    item->setFlags(Qt::ItemIsEnabled);
    if (kind != Row::Workspace && !key.isEmpty())
        item->setToolTip(0, key);
    return item;
}

void Sidebar::addVolume(QTreeWidgetItem *section, const Volume &volume)
{
    QTreeWidgetItem *item = row(section, Row::Volume, volume.path, {}, {});
    const QString title = volume.name.isEmpty() ? displayName(volume.path) : volume.name;
    item->setData(0, Qt::AccessibleTextRole, title);

    auto *box = new QWidget;
    box->setObjectName(QStringLiteral("volumeRow"));
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, Kit::Space::tight, 0);
    layout->setSpacing(Kit::Space::tight);
    auto *open = new SidebarRow(box);
    open->setObjectName(QStringLiteral("volumeOpen"));
    open->setSymbol(QStringLiteral("externaldrive"));
    open->setText(title);
    Kit::name(open, title);
    layout->addWidget(open, 1);
    const QString path = volume.path;
    connect(open, &QAbstractButton::clicked, this, [this, path] { navigate(path); });
    // The root file system is not something to eject.
    if (!isRoot(volume.path)) {
        QToolButton *eject = Kit::iconButton(QStringLiteral("eject"), box);
        eject->setObjectName(QStringLiteral("volumeEject"));
        eject->setIconSize({14, 14});
        Kit::name(eject, L("推出 %@", volume.name), true);
        layout->addWidget(eject);
        connect(eject, &QToolButton::clicked, this, [this, path] { m_state.ejectVolume(path); });
    }
    item->setSizeHint(0, {0, box->sizeHint().height()});
    setItemWidget(item, 0, box);
}

void Sidebar::addTag(QTreeWidgetItem *section, const QString &tag)
{
    QTreeWidgetItem *item = row(section, Row::Tag, tag, {}, {});
    item->setData(0, Qt::AccessibleTextRole, tagDisplay(tag));
    auto *button = new SidebarRow;
    button->setObjectName(QStringLiteral("tagRow"));
    button->setDot(tagColor(tag));
    button->setText(tagDisplay(tag));
    button->setTrailingCheck(m_state.tagFilter() == tag);
    Kit::name(button, tagDisplay(tag));
    connect(button, &QAbstractButton::clicked, this, [this, tag] {
        m_state.setTagFilter(m_state.tagFilter() == tag ? QString() : tag);
    });
    item->setSizeHint(0, {0, button->sizeHint().height()});
    setItemWidget(item, 0, button);
}

void Sidebar::activate(QTreeWidgetItem *item)
{
    const QString key = keyOf(item);
    switch (kindOf(item)) {
    case Row::Section:
    case Row::Volume: // its own buttons
    case Row::Tag: break;
    case Row::Favorite:
    case Row::Pinned:
    case Row::Recent:
    case Row::CloudDrive:
    case Row::Trash: navigate(key); break;
    case Row::Workspace:
        for (const Workspace &workspace : CollaborationStore::shared().workspaces()) {
            if (workspace.id == key) {
                navigate(FileItem::identityPath(workspace.path));
                break;
            }
        }
        break;
    case Row::Authorize: CollaborationStore::shared().authorize(m_state.activePane()->current()); break;
    case Row::ConnectServer: m_state.setShowConnectServer(true); break;
    }
}

void Sidebar::navigate(const QString &path)
{
    // Scenarios found for another folder's files are of no use there.
    m_state.scenarioCache().clear();
    m_state.activePane()->go(path, true);
}

QMenu *Sidebar::menuFor(QTreeWidgetItem *item, QWidget *parent)
{
    const QString key = keyOf(item);
    const auto reveal = [this, key] { m_state.reveal({key}); };
    const auto togglePin = [key] { Store::shared().togglePin(key); };
    auto *menu = new QMenu(parent);
    switch (kindOf(item)) {
    case Row::Favorite:
        menu->addAction(L("从收藏移除"), this, [this, key] { m_state.removeFavorite(key); });
        break;
    case Row::Pinned: menu->addAction(L("取消置顶"), this, togglePin); break;
    case Row::Recent:
        menu->addAction(Store::shared().isPinned(key) ? L("取消置顶") : L("置顶到侧栏"), this, togglePin);
        menu->addAction(L("在文件管理器中显示"), this, reveal);
        break;
    case Row::Workspace:
        menu->addAction(L("移除授权"), this, [key] { CollaborationStore::shared().withdraw(key); });
        break;
    case Row::CloudDrive: menu->addAction(L("在文件管理器中显示"), this, reveal); break;
    default: delete menu; return nullptr;
    }
    return menu;
}

void Sidebar::showMenu(const QPoint &pos)
{
    QMenu *menu = menuFor(itemAt(pos), this);
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(viewport()->mapToGlobal(pos));
}
