#pragma once

#include <QWidget>

// A name in at most three centred lines, the third cut at its end with "…" when the name
// is longer; the whole name is the tooltip and the accessible name. Plain text. Its height
// follows its width.
class ItemNameLabel : public QWidget
{
    Q_OBJECT

public:
    static constexpr int maxLines = 3;

    explicit ItemNameLabel(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    // The lines drawn at the current width.
    QStringList shownLines() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QString m_text;
};
