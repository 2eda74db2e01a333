#pragma once

#include <QStyledItemDelegate>

class BrowserState;
class ThumbnailRequests;

// Paints one cell of the icon grid: the file's thumbnail (its icon until one arrives) in a
// square of the window's icon size, its name below in at most two centred lines (half
// opacity for a hidden file), the dots of its tags under the name, and a rounded accent
// fill when selected. No widget per cell; the only
// editor is the name field of an inline rename.
class IconDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // Padding around a cell's content and the gap between columns and rows.
    static constexpr int padding = 6;
    static constexpr int spacing = 16;

    IconDelegate(BrowserState &state, QObject *parent = nullptr);
    // Where painted cells ask for their thumbnails; none paints icons only.
    void setThumbnails(ThumbnailRequests *thumbnails) { m_thumbnails = thumbnails; }

    // The width of a cell's content column for an icon size, and the size of a whole cell
    // (content plus padding) with names in `captionFont`.
    static int contentWidth(double iconSize);
    static QSize cellSize(double iconSize, const QFont &captionFont);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

private:
    BrowserState &m_state;
    ThumbnailRequests *m_thumbnails = nullptr;
};
