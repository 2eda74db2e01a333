#include "TopBar.h"

#include "BrowserState.h"
#include "Localization.h"
#include "PaneState.h"
#include "kit/Icons.h"
#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace {

// A row of checkable icon buttons that reads as one segmented control.
QWidget *segment(QButtonGroup *group, const QStringList &symbols, QWidget *parent)
{
    auto *box = new QWidget(parent);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int i = 0; i < symbols.size(); ++i) {
        auto *button = new QToolButton(box);
        Kit::setIcon(button, symbols.at(i));
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        group->addButton(button, i);
        row->addWidget(button);
    }
    group->setExclusive(true);
    return box;
}

const QStringList layoutSymbols = {QStringLiteral("square"), QStringLiteral("rectangle.split.2x1"),
                                   QStringLiteral("rectangle.split.3x1"),
                                   QStringLiteral("square.grid.2x2")};

} // namespace

TopBar::TopBar(BrowserState &state, QWidget *parent)
    : QWidget(parent),
      m_state(state),
      m_filter(new QLineEdit),
      m_clear(Kit::iconButton(QStringLiteral("xmark.circle.fill"))),
      m_contentSearch(Kit::iconButton(QStringLiteral("text.magnifyingglass"), this)),
      m_viewModeGroup(new QButtonGroup(this)),
      m_layoutGroup(new QButtonGroup(this)),
      m_inspector(Kit::iconButton(QStringLiteral("info.circle"), this)),
      m_newFolder(Kit::iconButton(QStringLiteral("folder.badge.plus"), this))
{
    setObjectName(QStringLiteral("topBar"));
    m_filter->setObjectName(QStringLiteral("filterField"));
    m_clear->setObjectName(QStringLiteral("filterClear"));
    m_inspector->setObjectName(QStringLiteral("inspectorToggle"));
    m_contentSearch->setObjectName(QStringLiteral("contentSearchButton"));
    m_contentSearch->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_newFolder->setObjectName(QStringLiteral("newFolder"));

    // The filter capsule: magnifier, field, clear button on the control background.
    auto *capsule = new Kit::Card(this);
    capsule->setObjectName(QStringLiteral("filterCapsule"));
    capsule->setNeutral();
    auto *capsuleRow = new QHBoxLayout(capsule);
    capsuleRow->setContentsMargins(Kit::Space::normal, Kit::Space::tight, Kit::Space::normal,
                                   Kit::Space::tight);
    capsuleRow->setSpacing(Kit::Space::tight);
    auto *magnifier = new Kit::SymbolView(QStringLiteral("magnifyingglass"), 12, capsule);
    magnifier->setTint(Kit::Tint::gray);
    capsuleRow->addWidget(magnifier);
    m_filter->setParent(capsule);
    m_filter->setFrame(false);
    m_filter->setFixedWidth(150);
    m_filter->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_filter->setStyleSheet(QStringLiteral("background: transparent"));
    capsuleRow->addWidget(m_filter);
    m_clear->setParent(capsule);
    m_clear->setIconSize({12, 12});
    // No taller than the field, and its room kept while hidden: the bar keeps its height
    // and the buttons after the field stay in place when it appears.
    m_clear->setFixedSize(16, 16);
    QSizePolicy clearPolicy = m_clear->sizePolicy();
    clearPolicy.setRetainSizeWhenHidden(true);
    m_clear->setSizePolicy(clearPolicy);
    capsuleRow->addWidget(m_clear);
    capsule->setRadius(capsule->sizeHint().height() / 2);

    m_viewModes = segment(m_viewModeGroup, {QStringLiteral("list.bullet"), QStringLiteral("square.grid.2x2")},
                          this);
    m_viewModes->setObjectName(QStringLiteral("viewModeSegment"));
    m_viewModes->setFixedWidth(88);
    m_layouts = segment(m_layoutGroup, layoutSymbols, this);
    m_layouts->setObjectName(QStringLiteral("layoutSegment"));

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(Kit::Space::margin, 7, Kit::Space::margin, 7);
    row->setSpacing(Kit::Space::normal);
    row->addWidget(capsule);
    row->addWidget(m_contentSearch);
    row->addStretch(1);
    row->addWidget(m_viewModes);
    row->addWidget(m_layouts);
    row->addWidget(m_inspector);
    row->addWidget(m_newFolder);

    Kit::retranslate(this, [this] {
        m_filter->setPlaceholderText(L("筛选当前栏"));
        Kit::name(m_filter, L("筛选当前栏"));
        Kit::name(m_clear, L("清除筛选"));
        m_contentSearch->setText(L("搜索内容"));
        // The shortcut belongs to the menu item that raises the same flag.
        Kit::name(m_contentSearch, L("搜索文件名和本地抽取内容（Ctrl+Shift+F）"), true);
        Kit::name(m_viewModeGroup->button(0), L("列表"));
        Kit::name(m_viewModeGroup->button(1), L("图标"));
        const QString layoutHelp = L("窗格布局：单栏 / 双栏 / 品字（三） / 田字（四）—— 多窗格间可互相拖文件");
        m_layouts->setToolTip(layoutHelp);
        Kit::name(m_layouts, L("窗格布局"));
        const QStringList names = {L("单栏"), L("双栏"), L("品字（三）"), L("田字（四）")};
        for (int i = 0; i < names.size(); ++i)
            Kit::name(m_layoutGroup->button(i), names.at(i));
        Kit::name(m_newFolder, L("新建文件夹"));
        showInspector();
    });

    // Only the user's typing writes the filter; following another pane does not echo back.
    connect(m_filter, &QLineEdit::textEdited, this, [this](const QString &text) {
        m_state.setFilterText(text);
    });
    connect(m_clear, &QToolButton::clicked, this, [this] {
        if (PaneState *pane = m_state.activePaneIfAny())
            pane->setFilterText(QString());
    });
    connect(m_contentSearch, &QToolButton::clicked, this, [this] {
        m_state.setShowContentSearch(true);
    });
    connect(m_viewModeGroup, &QButtonGroup::idClicked, this, [this](int id) {
        m_state.setViewMode(id == 0 ? ViewMode::List : ViewMode::Icon);
    });
    connect(m_layoutGroup, &QButtonGroup::idClicked, this, [this](int id) {
        const PaneLayout chosen = allPaneLayouts().at(id);
        if (chosen != m_state.layout())
            m_state.setLayout(chosen);
    });
    connect(m_inspector, &QToolButton::clicked, this, [this] {
        m_state.setShowInspector(!m_state.showInspector());
    });
    connect(m_newFolder, &QToolButton::clicked, this, [this] { m_state.newFolder(); });

    connect(&m_state, &BrowserState::filterTextChanged, this, &TopBar::showFilter);
    connect(&m_state, &BrowserState::activePaneChanged, this, &TopBar::showFilter);
    connect(&m_state, &BrowserState::panesChanged, this, &TopBar::showViewMode);
    connect(&m_state, &BrowserState::viewModeChanged, this, &TopBar::showViewMode);
    connect(&m_state, &BrowserState::layoutChanged, this, &TopBar::showLayout);
    connect(&m_state, &BrowserState::showInspectorChanged, this, &TopBar::showInspector);
    showFilter();
    showViewMode();
    showLayout();
}

void TopBar::showFilter()
{
    const QString text = m_state.filterText();
    // Setting equal text would move the cursor to the end while the user types.
    if (m_filter->text() != text)
        m_filter->setText(text);
    m_clear->setVisible(!text.isEmpty());
}

void TopBar::showViewMode()
{
    m_viewModes->setVisible(m_state.panes().size() <= 1);
    m_viewModeGroup->button(m_state.viewMode() == ViewMode::Icon ? 1 : 0)->setChecked(true);
}

void TopBar::showLayout()
{
    m_layoutGroup->button(int(allPaneLayouts().indexOf(m_state.layout())))->setChecked(true);
}

void TopBar::showInspector()
{
    const bool shown = m_state.showInspector();
    Kit::setIcon(m_inspector, shown ? QStringLiteral("sidebar.right") : QStringLiteral("info.circle"));
    Kit::name(m_inspector, shown ? L("隐藏检查器") : L("显示检查器"));
}
