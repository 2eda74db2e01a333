#include "IconDelegate.h"

#include "BrowserState.h"
#include "FileListModel.h"
#include "ThumbnailRequests.h"
#include "kit/TagDots.h"
#include "kit/Style.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

int iconSide(double iconSize)
{
    return std::max(16, int(std::lround(iconSize)));
}

// The name in at most two lines of `width`: the first as far as it fits (broken after a
// space or punctuation where one is near), the rest elided in the middle.
QStringList nameLines(const QString &name, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(name) <= width)
        return {name};
    // The longest start that fits, found by halving.
    qsizetype low = 1, high = name.size();
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(name.left(middle)) <= width)
            low = middle;
        else
            high = middle - 1;
    }
    qsizetype cut = low;
    for (qsizetype i = low; i > low * 2 / 3; --i) {
        const QChar c = name.at(i - 1);
        if (c.isSpace() || c == u'-' || c == u'_' || c == u'.') {
            cut = i;
            break;
        }
    }
    return {name.left(cut), metrics.elidedText(name.mid(cut).trimmed(), Qt::ElideMiddle, width)};
}

} // namespace

IconDelegate::IconDelegate(BrowserState &state, QObject *parent)
    : QStyledItemDelegate(parent), m_state(state)
{
}

int IconDelegate::contentWidth(double iconSize)
{
    return iconSide(iconSize) + 24;
}

QSize IconDelegate::cellSize(double iconSize, const QFont &captionFont)
{
    const QFontMetrics metrics(captionFont);
    // Icon, name in two lines, the tag dots.
    const int height = iconSide(iconSize) + padding + 2 * metrics.lineSpacing() + TagDots::gap * 2
                     + TagDots::dotSize;
    return {contentWidth(iconSize) + 2 * padding, height + 2 * padding};
}

QSize IconDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return cellSize(m_state.iconSize(), Kit::font(Kit::TextRole::caption, option.font));
}

void IconDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QSize cell = cellSize(m_state.iconSize(), Kit::font(Kit::TextRole::caption, option.font));
    QRect box(QPoint(0, 0), cell);
    box.moveCenter(option.rect.center());
    box.moveTop(option.rect.top());
    const QPalette &palette = option.palette;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (option.state & QStyle::State_Selected) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        painter->fillPath(shape, Kit::fill(Kit::Tint::accent, 0.2, palette));
    }

    const QRect content = box.adjusted(padding, padding, -padding, -padding);
    const int side = iconSide(m_state.iconSize());
    const QRect square(content.left() + (content.width() - side) / 2, content.top(), side, side);
    QImage thumbnail;
    if (m_thumbnails && !index.data(FileListModel::IsDirRole).toBool())
        thumbnail = m_thumbnails->image(index.data(FileListModel::PathRole).toString());
    if (!thumbnail.isNull()) {
        QSizeF fitted = thumbnail.deviceIndependentSize();
        fitted.scale(QSizeF(square.size()), Qt::KeepAspectRatio);
        QRectF target(QPointF(0, 0), fitted);
        target.moveCenter(QRectF(square).center());
        painter->drawImage(target, thumbnail);
        // A hairline edge, so a white page stays visible on a white background.
        painter->setPen(QPen(Kit::fill(Kit::Tint::gray, 0.45, palette), 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(target.adjusted(0.5, 0.5, -0.5, -0.5));
    } else {
        index.data(Qt::DecorationRole).value<QIcon>().paint(painter, square);
    }

    const QFont caption = Kit::font(Kit::TextRole::caption, option.font);
    const QFontMetrics metrics(caption);
    const QString name = index.data(Qt::EditRole).toString();
    const QStringList lines = nameLines(name, metrics, content.width());
    painter->setFont(caption);
    painter->setPen(palette.color(QPalette::Text));
    if (index.data(FileListModel::IsHiddenRole).toBool())
        painter->setOpacity(0.5);
    int y = square.bottom() + 1 + padding;
    for (const QString &line : lines) {
        painter->drawText(QRect(content.left(), y, content.width(), metrics.lineSpacing()),
                          Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, line);
        y += metrics.lineSpacing();
    }
    painter->setOpacity(1);
    const QStringList tags = index.data(FileListModel::TagsRole).toStringList();
    if (!tags.isEmpty())
        TagDots::paint(*painter, QRect(content.left(), y + TagDots::gap, content.width(), TagDots::dotSize), tags);
    painter->restore();
}

QWidget *IconDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QStringLiteral("iconRenameField"));
    field->setFont(Kit::font(Kit::TextRole::caption, parent->font()));
    field->setFrame(true);
    field->setAlignment(Qt::AlignHCenter);
    return field;
}

void IconDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                        const QModelIndex &) const
{
    const QSize cell = cellSize(m_state.iconSize(), Kit::font(Kit::TextRole::caption, option.font));
    QRect box(QPoint(0, 0), cell);
    box.moveCenter(option.rect.center());
    box.moveTop(option.rect.top());
    const QRect content = box.adjusted(padding, padding, -padding, -padding);
    const int top = content.top() + iconSide(m_state.iconSize()) + padding;
    editor->setGeometry(content.left(), top, content.width(), editor->sizeHint().height());
}
