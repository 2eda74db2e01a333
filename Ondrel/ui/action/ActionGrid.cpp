#include "ActionGrid.h"

#include "ActionButton.h"
#include "ActionPaneModel.h"
#include "BrowserState.h"
#include "Localization.h"
#include "list/FileContextMenu.h"
#include "preview/QuickLook.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QVBoxLayout>

namespace {

// Tints by index: blue, orange, red, and the text colour.
enum TintIndex { blue, orange, red, primary };

std::optional<Kit::Tint> tintOf(int index)
{
    switch (index) {
    case blue: return Kit::Tint::accent;
    case orange: return Kit::Tint::orange;
    case red: return Kit::Tint::red;
    default: return std::nullopt;
    }
}

// The untranslated label of each tile, kept on the tile for re-translation.
constexpr const char *labelKey = "labelKey";

} // namespace

ActionGrid::ActionGrid(ActionPaneModel &model, QWidget *parent)
    : QWidget(parent),
      m_model(model),
      m_grid(new QGridLayout),
      m_folderTrash(new ActionButton(QStringLiteral("trash"), {}, Kit::Tint::red, false, this))
{
    setObjectName(QStringLiteral("actionGrid"));
    m_folderTrash->setObjectName(QStringLiteral("folderTrash"));
    m_folderTrash->setProperty(labelKey, QByteArrayLiteral("移到废纸篓"));
    m_folderTrash->hide();
    connect(m_folderTrash, &ActionButton::clicked, this, &ActionGrid::trash);

    m_grid->setContentsMargins(0, 0, 0, 0);
    m_grid->setHorizontalSpacing(ActionPaneModel::columnSpacing);
    m_grid->setVerticalSpacing(ActionPaneModel::columnSpacing);
    for (int column = 0; column < 2; ++column) {
        m_grid->setColumnStretch(column, 1);
        m_grid->setColumnMinimumWidth(column, ActionPaneModel::columnMinWidth);
    }
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    layout->addLayout(m_grid);
    layout->addWidget(m_folderTrash);
    Kit::retranslate(this, [this] { retranslate(); });
}

void ActionGrid::setItem(const FileItem &item)
{
    m_item = item;
    const Shape shape = item.isDir                             ? Shape::folder
                        : FileContextMenu::isArchive(item.path) ? Shape::archive
                                                               : Shape::file;
    if (shape != m_shape)
        build(shape);
}

ActionButton *ActionGrid::tile(const QString &name, const QString &symbol, const char *label, int tint,
                               void (ActionGrid::*action)())
{
    auto *button = new ActionButton(symbol, L(label), tintOf(tint), false, this);
    button->setObjectName(name);
    button->setProperty(labelKey, QByteArray(label));
    connect(button, &ActionButton::clicked, this, action);
    return button;
}

void ActionGrid::build(Shape shape)
{
    m_shape = shape;
    for (ActionButton *old : std::as_const(m_tiles)) {
        m_grid->removeWidget(old);
        old->hide();
        old->deleteLater();
    }
    m_tiles.clear();
    if (shape == Shape::folder) {
        m_tiles = {
            tile(QStringLiteral("tileOpen"), QStringLiteral("folder"), "打开", blue, &ActionGrid::open),
            tile(QStringLiteral("tileTerminal"), QStringLiteral("terminal"), "在终端打开", primary,
                 &ActionGrid::openInTerminal),
            tile(QStringLiteral("tileRename"), QStringLiteral("pencil"), "重命名", blue, &ActionGrid::rename),
            tile(QStringLiteral("tileCompress"), QStringLiteral("archivebox"), "压缩", orange, &ActionGrid::compress),
            tile(QStringLiteral("tileCopy"), QStringLiteral("doc.on.doc"), "拷贝", blue, &ActionGrid::copy),
            tile(QStringLiteral("tileReveal"), QStringLiteral("arrow.up.forward.app"), "在文件管理器中显示", primary,
                 &ActionGrid::reveal),
        };
    } else {
        m_tiles = {
            tile(QStringLiteral("tileOpen"), QStringLiteral("arrow.up.right.square"), "打开", blue, &ActionGrid::open),
            tile(QStringLiteral("tileQuickLook"), QStringLiteral("eye"), "快速查看", blue, &ActionGrid::quickLook),
            tile(QStringLiteral("tileRename"), QStringLiteral("pencil"), "重命名", blue, &ActionGrid::rename),
            tile(QStringLiteral("tileCopy"), QStringLiteral("doc.on.doc"), "拷贝", blue, &ActionGrid::copy),
            tile(QStringLiteral("tileCompress"), QStringLiteral("archivebox"), "压缩", orange, &ActionGrid::compress),
        };
        if (shape == Shape::archive) {
            m_tiles << tile(QStringLiteral("tileExtract"), QStringLiteral("archivebox.fill"), "解压", orange,
                            &ActionGrid::extract);
        }
        m_tiles << tile(QStringLiteral("tileReveal"), QStringLiteral("arrow.up.forward.app"), "在文件管理器中显示",
                        primary, &ActionGrid::reveal)
                << tile(QStringLiteral("tileTrash"), QStringLiteral("trash"), "移到废纸篓", red, &ActionGrid::trash);
    }
    for (int i = 0; i < m_tiles.size(); ++i)
        m_grid->addWidget(m_tiles.at(i), i / 2, i % 2);
    m_folderTrash->setVisible(shape == Shape::folder);
    // Tab order follows the reading order of the tiles.
    for (int i = 1; i < m_tiles.size(); ++i)
        setTabOrder(m_tiles.at(i - 1), m_tiles.at(i));
}

void ActionGrid::retranslate()
{
    for (ActionButton *button : std::as_const(m_tiles))
        button->setLabel(L(button->property(labelKey).toByteArray().constData()));
    m_folderTrash->setLabel(L("移到废纸篓"));
}

// --- Actions ---------------------------------------------------------------------------------

void ActionGrid::open()
{
    m_model.state().open(m_item);
}

void ActionGrid::openInTerminal()
{
    m_model.state().openInTerminal(m_item.path);
}

void ActionGrid::rename()
{
    BrowserState &state = m_model.state();
    state.setEditingRename(m_item.path);
    state.setRenameText(QFileInfo(m_item.path).fileName());
}

void ActionGrid::compress()
{
    m_model.selectFirst(m_item.path);
    m_model.state().compress({m_item.path});
}

void ActionGrid::copy()
{
    m_model.selectFirst(m_item.path);
    m_model.state().copySel();
}

void ActionGrid::reveal()
{
    m_model.state().reveal({m_item.path});
}

void ActionGrid::quickLook()
{
    m_model.selectFirst(m_item.path);
    QuickLook::toggle({m_item.path});
}

void ActionGrid::extract()
{
    m_model.state().extract(m_item.path);
}

void ActionGrid::trash()
{
    m_model.selectFirst(m_item.path);
    m_model.state().trash(m_model.selectedURLs());
}
