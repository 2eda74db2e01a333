#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;

namespace Kit {
class SymbolView;
}

// The dashed drop area of the empty state. It takes a drag only when the drag carries
// local files (text/uri-list "file:" URLs) and hands their paths over in the order
// delivered; while such a drag is over it, it is drawn highlighted.
class DemoDropZone : public QWidget
{
    Q_OBJECT

public:
    explicit DemoDropZone(QWidget *parent = nullptr);

    void setText(const QString &text);
    bool hovered() const { return m_hover; }

signals:
    void dropped(const QStringList &paths);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void setHover(bool hover);

    Kit::SymbolView *m_glyph;
    QLabel *m_text;
    bool m_hover = false;
};
