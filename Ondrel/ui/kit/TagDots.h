#pragma once

#include <QStringList>
#include <QWidget>

class QPainter;

// A row of coloured dots, one per tag, for at most the first four tags in the given order
// (further tags are not shown); an empty list draws nothing. Each dot is 8 × 8 with 2
// between them, coloured by tagColor. The static paint() draws the same row for item
// delegates, which have no widget per cell.
class TagDots : public QWidget
{
    Q_OBJECT

public:
    static constexpr int maxDots = 4;
    static constexpr int dotSize = 8;
    static constexpr int gap = 2;

    explicit TagDots(const QStringList &tags = {}, QWidget *parent = nullptr);

    const QStringList &tags() const { return m_tags; }
    void setTags(const QStringList &tags);

    // The number of dots drawn for `tags`, and the size of their row.
    static int dotCount(const QStringList &tags);
    static QSize rowSize(const QStringList &tags);
    // Draws the row centred in `rect`; tags of other names get the palette's dimmed colour.
    static void paint(QPainter &painter, const QRect &rect, const QStringList &tags);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QStringList m_tags;
};
