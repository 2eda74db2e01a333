#pragma once

#include "FileItem.h"

#include <QList>
#include <QWidget>

class ActionButton;
class ActionPaneModel;
class QGridLayout;

// The everyday operations for the one selected item, as two equal columns of tiles: six
// for a folder (then the wide trash tile below the grid), seven for a file, eight for an
// archive ("解压" sixth). Tiles act on the item shown when they are clicked; those that
// act on the selection first make the item the selection unless it is part of it.
class ActionGrid : public QWidget
{
    Q_OBJECT

public:
    explicit ActionGrid(ActionPaneModel &model, QWidget *parent = nullptr);

    // The item shown; the tiles are rebuilt only when its kind of grid changes.
    void setItem(const FileItem &item);
    // The grid's tiles in order (the folder's trash tile is not one of them).
    const QList<ActionButton *> &tiles() const { return m_tiles; }
    // The folder's wide trash tile below the grid.
    ActionButton *folderTrash() const { return m_folderTrash; }

private:
    enum class Shape { none, folder, file, archive };

    void build(Shape shape);
    void retranslate();
    ActionButton *tile(const QString &name, const QString &symbol, const char *label, int tint,
                       void (ActionGrid::*action)());

    void open();
    void openInTerminal();
    void rename();
    void compress();
    void copy();
    void reveal();
    void quickLook();
    void extract();
    void trash();

    ActionPaneModel &m_model;
    FileItem m_item;
    Shape m_shape = Shape::none;
    QGridLayout *m_grid;
    QList<ActionButton *> m_tiles;
    ActionButton *m_folderTrash;
};
