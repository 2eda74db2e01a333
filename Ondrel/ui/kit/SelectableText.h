#pragma once

#include <QTextEdit>

namespace Kit {

// Plain text the user can select and copy, wrapped to the width it is given (between
// words, or anywhere inside a long word such as a path without spaces) and as tall as
// its lines. No frame, no background, no scroll bars.
class SelectableText : public QTextEdit
{
    Q_OBJECT

public:
    explicit SelectableText(QWidget *parent = nullptr);

    QString text() const { return toPlainText(); }
    void setText(const QString &text);
    void setTextAlignment(Qt::Alignment alignment);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    void fitHeight();
};

} // namespace Kit
