#include "WrappingText.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QFontMetrics>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <memory>

namespace Kit {

WrappingText::WrappingText(QWidget *parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setUndoRedoEnabled(false);
    setAcceptRichText(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    document()->setDocumentMargin(0);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QTextEdit { background: transparent; }"));
    QSizePolicy policy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setSelectable(false);
}

void WrappingText::setText(const QString &text)
{
    if (text == m_text && !document()->isEmpty())
        return;
    m_text = text;
    setPlainText(text);
    setToolTip(m_maximumLines > 0 ? text : QString());
    updateGeometry();
}

void WrappingText::setSelectable(bool selectable)
{
    setTextInteractionFlags(selectable ? Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard
                                       : Qt::NoTextInteraction);
    setFocusPolicy(selectable ? Qt::ClickFocus : Qt::NoFocus);
    viewport()->setCursor(selectable ? Qt::IBeamCursor : Qt::ArrowCursor);
}

void WrappingText::setMaximumLines(int lines)
{
    m_maximumLines = std::max(0, lines);
    setToolTip(m_maximumLines > 0 ? m_text : QString());
    updateGeometry();
}

int WrappingText::heightForWidth(int width) const
{
    if (width <= 0)
        return fontMetrics().height();
    const std::unique_ptr<QTextDocument> copy(document()->clone());
    copy->setDefaultFont(font());
    copy->setTextWidth(width);
    qreal height = copy->size().height();
    if (m_maximumLines > 0) {
        // The bottom of the last line allowed, as the document lays the lines out.
        int lines = 0;
        for (QTextBlock block = copy->begin(); block.isValid() && lines < m_maximumLines; block = block.next()) {
            const QTextLayout *layout = block.layout();
            const QRectF blockRect = copy->documentLayout()->blockBoundingRect(block);
            for (int i = 0; i < layout->lineCount() && lines < m_maximumLines; ++i, ++lines) {
                const QTextLine line = layout->lineAt(i);
                height = blockRect.top() + line.y() + line.height();
            }
        }
    }
    return std::max(int(std::ceil(height)), fontMetrics().height());
}

QSize WrappingText::sizeHint() const
{
    const int width = std::max(this->width(), 60);
    return {width, heightForWidth(width)};
}

QSize WrappingText::minimumSizeHint() const
{
    return {0, fontMetrics().height()};
}

void WrappingText::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    const int height = heightForWidth(width());
    if (height != m_lastHeight) {
        m_lastHeight = height;
        updateGeometry();
    }
}

void WrappingText::changeEvent(QEvent *event)
{
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        document()->setDefaultFont(font());
        updateGeometry();
    }
}

void WrappingText::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}

} // namespace Kit
