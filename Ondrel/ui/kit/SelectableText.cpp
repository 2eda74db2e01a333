#include "SelectableText.h"

#include <QAbstractTextDocumentLayout>
#include <QTextDocument>

#include <cmath>

namespace Kit {

SelectableText::SelectableText(QWidget *parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::ClickFocus);
    setAcceptRichText(false);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    viewport()->setCursor(Qt::IBeamCursor);
    document()->setDocumentMargin(0);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &SelectableText::fitHeight);
    fitHeight();
}

void SelectableText::setText(const QString &text)
{
    if (text != toPlainText())
        setPlainText(text);
}

void SelectableText::setTextAlignment(Qt::Alignment alignment)
{
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(alignment);
    document()->setDefaultTextOption(option);
}

QSize SelectableText::sizeHint() const
{
    return {fontMetrics().averageCharWidth() * 12, height()};
}

QSize SelectableText::minimumSizeHint() const
{
    return {fontMetrics().averageCharWidth() * 4, height()};
}

void SelectableText::fitHeight()
{
    const QMargins margins = contentsMargins();
    const int lines = std::max(1, int(std::ceil(document()->size().height())));
    const int wanted = std::max(lines, fontMetrics().height()) + margins.top() + margins.bottom();
    if (wanted != height() || minimumHeight() != wanted)
        setFixedHeight(wanted);
}

} // namespace Kit
