#pragma once

#include <QTextEdit>

namespace Kit {

// Plain text that wraps onto as many lines as the width needs, breaking long names
// without spaces anywhere rather than cutting them (a QLabel only wraps at spaces). Read
// only, frameless, on the background behind it; optionally selectable so the text can be
// copied, and optionally limited to a number of lines (the full text is then the tooltip).
// Its height follows its width.
class WrappingText : public QTextEdit
{
    Q_OBJECT

public:
    explicit WrappingText(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    void setSelectable(bool selectable);
    // 0: no limit.
    void setMaximumLines(int lines);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    // Never scrolls itself: the wheel scrolls whatever holds it.
    void wheelEvent(QWheelEvent *event) override;

private:
    QString m_text;
    int m_maximumLines = 0;
    int m_lastHeight = -1;
};

} // namespace Kit
