#include "MenuCommands.h"

#include "BrowserState.h"
#include "Localization.h"
#include "PaneState.h"
#include "SortKey.h"
#include "Trash.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>

namespace {

QKeySequence keys(QKeyCombination combination)
{
    return QKeySequence(combination);
}

// Texts that come from data must not turn a character into a mnemonic.
QString escapedMnemonics(QString text)
{
    return text.replace(u'&', QStringLiteral("&&"));
}

} // namespace

MenuCommands::MenuCommands(BrowserState &state, QMainWindow *window, AppActions app)
    : QObject(window), m_state(state), m_window(window), m_app(std::move(app)), m_bar(new QMenuBar)
{
    m_bar->setObjectName(QStringLiteral("menuBar"));
    build();
    retranslate();

    connect(&Loc::shared(), &Loc::revisionChanged, this, &MenuCommands::retranslate);
    connect(&m_state, &BrowserState::activePaneChanged, this, &MenuCommands::watchActivePane);
    connect(&m_state, &BrowserState::panesChanged, this, &MenuCommands::watchActivePane);
    connect(&m_state, &BrowserState::undoStackChanged, this, &MenuCommands::updateEnabled);
    connect(&m_state, &BrowserState::undoNameChanged, this, &MenuCommands::updateUndoTitle);
    watchActivePane();
}

MenuCommands::~MenuCommands()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_paneConnections))
        disconnect(connection);
    // A menu bar the window never took is ours to delete.
    if (!m_bar->parent())
        delete m_bar;
}

QMenu *MenuCommands::menu(const QString &id) const
{
    return m_menus.value(id);
}

QAction *MenuCommands::action(const QString &id) const
{
    return m_actions.value(id);
}

QList<QAction *> MenuCommands::actions() const
{
    return m_actions.values();
}

QMenu *MenuCommands::addMenu(QWidget *parent, const QString &id, const QString &key)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(id);
    if (auto *bar = qobject_cast<QMenuBar *>(parent))
        bar->addMenu(menu);
    else
        static_cast<QMenu *>(parent)->addMenu(menu);
    m_menus.insert(id, menu);
    m_texts.insert(menu, {key});
    return menu;
}

QAction *MenuCommands::add(QMenu *menu, const QString &id, const QString &key,
                           std::function<void()> run, const QList<QKeySequence> &shortcuts)
{
    auto *action = new QAction(this);
    action->setObjectName(id);
    action->setShortcuts(shortcuts);
    connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    menu->addAction(action);
    m_actions.insert(id, action);
    m_texts.insert(action, {key});
    return action;
}

void MenuCommands::build()
{
    BrowserState &s = m_state;

    QMenu *file = addMenu(m_bar, QStringLiteral("fileMenu"), QStringLiteral("文件"));
    add(file, QStringLiteral("newWindow"), QStringLiteral("新建窗口"), [this] {
        if (m_app.newWindow)
            m_app.newWindow();
    }, {keys(Qt::CTRL | Qt::Key_N)});
    file->addSeparator();
    add(file, QStringLiteral("cycleLayout"), QStringLiteral("切换窗格布局"), [&s] {
        const QList<PaneLayout> ring{PaneLayout::Single, PaneLayout::Dual, PaneLayout::TriPin, PaneLayout::Quad};
        s.setLayout(ring.at((ring.indexOf(s.layout()) + 1) % ring.size()));
    }, {keys(Qt::CTRL | Qt::Key_T)});
    QMenu *layouts = addMenu(file, QStringLiteral("layoutMenu"), QStringLiteral("窗格布局"));
    const struct { const char *id; const char *key; PaneLayout layout; Qt::Key digit; } layoutItems[] = {
        {"layoutSingle", "单栏", PaneLayout::Single, Qt::Key_1},
        {"layoutDual", "双栏", PaneLayout::Dual, Qt::Key_2},
        {"layoutTriPin", "品字（三栏）", PaneLayout::TriPin, Qt::Key_3},
        {"layoutQuad", "田字（四宫格）", PaneLayout::Quad, Qt::Key_4},
    };
    for (const auto &item : layoutItems) {
        const PaneLayout layout = item.layout;
        add(layouts, QString::fromLatin1(item.id), QString::fromUtf8(item.key),
            [&s, layout] { s.setLayout(layout); }, {keys(Qt::CTRL | Qt::ALT | item.digit)});
    }
    add(file, QStringLiteral("collapse"), QStringLiteral("收起为单栏"), [this] { collapseOrClose(); },
        {keys(Qt::CTRL | Qt::Key_W)});
    file->addSeparator();
    add(file, QStringLiteral("newFolder"), QStringLiteral("新建文件夹"), [&s] { s.newFolder(); },
        {keys(Qt::CTRL | Qt::SHIFT | Qt::Key_N)});
    add(file, QStringLiteral("newFolderWithSelection"), QStringLiteral("以选中项新建文件夹"),
        [&s] { s.newFolderWithSelection(); }, {keys(Qt::CTRL | Qt::ALT | Qt::Key_N)});
    file->addSeparator();
    add(file, QStringLiteral("showInfo"), QStringLiteral("显示简介"), [&s] { s.setShowInspector(true); },
        {keys(Qt::CTRL | Qt::Key_I)});
    add(file, QStringLiteral("compress"), QStringLiteral("压缩"),
        [&s] { s.compress(s.activePane()->selection().values()); });
    add(file, QStringLiteral("open"), QStringLiteral("打开"), [&s] { s.openSelection(); },
        {keys(Qt::CTRL | Qt::Key_O)});
    file->addSeparator();
    add(file, QStringLiteral("trash"), QStringLiteral("移到废纸篓"), [this] { trashSelection(); },
        {keys(Qt::Key_Delete)});
    add(file, QStringLiteral("emptyTrash"), QStringLiteral("清空废纸篓…"), [this] { confirmEmptyTrash(); });
    file->addSeparator();
    add(file, QStringLiteral("checkForUpdates"), QStringLiteral("检查更新…"), [this] {
        if (m_app.checkForUpdates)
            m_app.checkForUpdates(m_window);
    });
    add(file, QStringLiteral("quit"), QStringLiteral("退出"), [this] {
        if (m_app.quit)
            m_app.quit();
    }, {keys(Qt::CTRL | Qt::Key_Q)});

    QMenu *edit = addMenu(m_bar, QStringLiteral("editMenu"), QStringLiteral("编辑"));
    QAction *undo = add(edit, QStringLiteral("undo"), QStringLiteral("撤销 %@"), [this, &s] {
        clipboard(TextEdit::Undo, [&s] { s.performUndo(); });
    }, {keys(Qt::CTRL | Qt::Key_Z)});
    m_texts[undo].undo = true;
    edit->addSeparator();
    add(edit, QStringLiteral("copy"), QStringLiteral("拷贝"),
        [this, &s] { clipboard(TextEdit::Copy, [&s] { s.copySel(); }); },
        {keys(Qt::CTRL | Qt::Key_C)});
    add(edit, QStringLiteral("cut"), QStringLiteral("剪切"),
        [this, &s] { clipboard(TextEdit::Cut, [&s] { s.cutSel(); }); },
        {keys(Qt::CTRL | Qt::Key_X)});
    add(edit, QStringLiteral("paste"), QStringLiteral("粘贴"),
        [this, &s] { clipboard(TextEdit::Paste, [&s] { s.paste(false); }); },
        {keys(Qt::CTRL | Qt::Key_V)});
    // In a text field there is nothing to move: a plain paste.
    add(edit, QStringLiteral("pasteMove"), QStringLiteral("粘贴为移动"),
        [this, &s] { clipboard(TextEdit::Paste, [&s] { s.paste(true); }); },
        {keys(Qt::CTRL | Qt::ALT | Qt::Key_V)});
    add(edit, QStringLiteral("copyPath"), QStringLiteral("拷贝路径"), [&s] { s.copyPath(); },
        {keys(Qt::CTRL | Qt::ALT | Qt::Key_C)});
    edit->addSeparator();
    add(edit, QStringLiteral("duplicate"), QStringLiteral("重复"), [&s] { s.duplicateSel(); },
        {keys(Qt::CTRL | Qt::Key_D)});
    edit->addSeparator();
    add(edit, QStringLiteral("settings"), QStringLiteral("设置…"), [this] {
        if (m_app.openSettings)
            m_app.openSettings();
    }, {keys(Qt::CTRL | Qt::Key_Comma)});

    QMenu *view = addMenu(m_bar, QStringLiteral("viewMenu"), QStringLiteral("显示"));
    add(view, QStringLiteral("viewList"), QStringLiteral("以列表显示"), [&s] { s.setViewMode(ViewMode::List); },
        {keys(Qt::CTRL | Qt::Key_1)});
    add(view, QStringLiteral("viewIcon"), QStringLiteral("以图标显示"), [&s] { s.setViewMode(ViewMode::Icon); },
        {keys(Qt::CTRL | Qt::Key_2)});
    view->addSeparator();
    add(view, QStringLiteral("toggleInspector"), QStringLiteral("切换简介栏"),
        [&s] { s.setShowInspector(!s.showInspector()); });
    add(view, QStringLiteral("toggleHidden"), QStringLiteral("切换隐藏文件"), [&s] {
        s.setShowHidden(!s.showHidden());
        s.softRefresh();
    }, {keys(Qt::CTRL | Qt::Key_H)});
    if (m_app.showAgent) {
        add(view, QStringLiteral("agentPopover"), QStringLiteral("后台盯梢"), [this] {
            if (m_window)
                m_app.showAgent(m_window);
        });
    }
    view->addSeparator();
    QMenu *sort = addMenu(view, QStringLiteral("sortMenu"), QStringLiteral("排序方式"));
    const struct { const char *id; const char *key; SortKey sortKey; } sortItems[] = {
        {"sortName", "名称", SortKey::Name},
        {"sortSize", "大小", SortKey::Size},
        {"sortKind", "类型", SortKey::Kind},
        {"sortDate", "修改日期", SortKey::Date},
    };
    for (const auto &item : sortItems) {
        const SortKey key = item.sortKey;
        add(sort, QString::fromLatin1(item.id), QString::fromUtf8(item.key),
            [&s, key] { s.activePane()->setSort(key); });
    }

    QMenu *go = addMenu(m_bar, QStringLiteral("goMenu"), QStringLiteral("前往"));
    add(go, QStringLiteral("back"), QStringLiteral("后退"), [&s] { s.activePane()->goBack(); },
        {keys(Qt::ALT | Qt::Key_Left), keys(Qt::CTRL | Qt::Key_BracketLeft)});
    add(go, QStringLiteral("forward"), QStringLiteral("前进"), [&s] { s.activePane()->goForward(); },
        {keys(Qt::ALT | Qt::Key_Right), keys(Qt::CTRL | Qt::Key_BracketRight)});
    add(go, QStringLiteral("up"), QStringLiteral("上层文件夹"), [&s] { s.activePane()->goUp(); },
        {keys(Qt::ALT | Qt::Key_Up)});
    add(go, QStringLiteral("openSelection"), QStringLiteral("打开"), [&s] { s.openSelection(); },
        {keys(Qt::ALT | Qt::Key_Down)});
    go->addSeparator();
    add(go, QStringLiteral("home"), QStringLiteral("个人"), [&s] {
        s.scenarioCache().clear();
        s.activePane()->go(QDir::homePath(), true);
    });
    add(go, QStringLiteral("goToFolder"), QStringLiteral("前往文件夹…"), [&s] { s.setShowGoTo(true); },
        {keys(Qt::CTRL | Qt::Key_L), keys(Qt::CTRL | Qt::SHIFT | Qt::Key_G)});
    add(go, QStringLiteral("connectServer"), QStringLiteral("连接服务器…"),
        [&s] { s.setShowConnectServer(true); }, {keys(Qt::CTRL | Qt::Key_K)});
    go->addSeparator(); // search
    add(go, QStringLiteral("contentSearch"), QStringLiteral("搜索文件内容…"),
        [&s] { s.setShowContentSearch(true); }, {keys(Qt::CTRL | Qt::SHIFT | Qt::Key_F)});
}

void MenuCommands::retranslate()
{
    for (auto it = m_texts.cbegin(); it != m_texts.cend(); ++it) {
        if (auto *menu = qobject_cast<QMenu *>(it.key()))
            menu->setTitle(L(it->key));
        else if (auto *action = qobject_cast<QAction *>(it.key()); action && !it->undo)
            action->setText(L(it->key));
    }
    updateUndoTitle();
}

void MenuCommands::updateUndoTitle()
{
    // With nothing to undo the title ends in the space before the empty name.
    action(QStringLiteral("undo"))->setText(escapedMnemonics(L("撤销 %@", m_state.undoName())));
}

void MenuCommands::watchActivePane()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_paneConnections))
        disconnect(connection);
    m_paneConnections.clear();
    if (PaneState *pane = m_state.activePaneIfAny()) {
        for (auto changed : {&PaneState::selectionChanged, &PaneState::backChanged,
                             &PaneState::forwardChanged, &PaneState::currentChanged})
            m_paneConnections << connect(pane, changed, this, &MenuCommands::updateEnabled);
    }
    updateEnabled();
}

void MenuCommands::updateEnabled()
{
    const PaneState *pane = m_state.activePaneIfAny();
    const bool selected = pane && !pane->selection().isEmpty();
    for (const char *id : {"copyPath", "duplicate", "showInfo", "compress", "open", "trash", "openSelection"})
        action(QString::fromLatin1(id))->setEnabled(selected);
    action(QStringLiteral("undo"))->setEnabled(!m_state.undoStack().isEmpty());
    action(QStringLiteral("back"))->setEnabled(pane && !pane->back().isEmpty());
    action(QStringLiteral("forward"))->setEnabled(pane && !pane->forward().isEmpty());
    action(QStringLiteral("up"))->setEnabled(pane && QDir::cleanPath(pane->current()) != u"/");
}

QWidget *MenuCommands::focusedTextField() const
{
    if (!m_window)
        return nullptr;
    QWidget *focus = m_window->focusWidget();
    if (qobject_cast<QLineEdit *>(focus) || qobject_cast<QTextEdit *>(focus)
        || qobject_cast<QPlainTextEdit *>(focus))
        return focus;
    return nullptr;
}

void MenuCommands::clipboard(TextEdit edit, const std::function<void()> &onFiles)
{
    QWidget *field = focusedTextField();
    if (!field) {
        onFiles();
        return;
    }
    const auto apply = [edit](auto *editor) {
        switch (edit) {
        case TextEdit::Undo: editor->undo(); break;
        case TextEdit::Copy: editor->copy(); break;
        case TextEdit::Cut: editor->cut(); break;
        case TextEdit::Paste: editor->paste(); break;
        }
    };
    if (auto *line = qobject_cast<QLineEdit *>(field))
        apply(line);
    else if (auto *text = qobject_cast<QTextEdit *>(field))
        apply(text);
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(field))
        apply(plain);
}

void MenuCommands::collapseOrClose()
{
    if (m_state.panes().size() >= 2)
        m_state.setLayout(PaneLayout::Single);
    else if (m_window)
        m_window->close();
}

void MenuCommands::trashSelection()
{
    if (focusedTextField() || !m_state.editingRename().isEmpty())
        return;
    m_state.trash(m_state.activePane()->selection().values());
}

void MenuCommands::confirmEmptyTrash()
{
    if (!m_window || m_window->findChild<QMessageBox *>(QStringLiteral("emptyTrashConfirm")))
        return;
    const int count = Trash::itemCount();
    if (count == 0) {
        m_state.emptyTrash(); // nothing to lose: reports the empty Trash at once
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Warning, L("清空废纸篓？"),
                                L("废纸篓中的 %lld 个项目将被永久删除，此操作无法撤销。", count),
                                QMessageBox::NoButton, m_window);
    box->setObjectName(QStringLiteral("emptyTrashConfirm"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QPushButton *empty = box->addButton(L("清空废纸篓"), QMessageBox::DestructiveRole);
    empty->setObjectName(QStringLiteral("emptyTrashButton"));
    QPushButton *cancel = box->addButton(QMessageBox::Cancel);
    cancel->setText(L("取消"));
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    QPointer<BrowserState> state(&m_state);
    connect(box, &QMessageBox::buttonClicked, this, [state, empty](QAbstractButton *clicked) {
        if (clicked == empty && state)
            state->emptyTrash();
    });
    box->open();
}
