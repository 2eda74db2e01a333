#pragma once

#include <QList>
#include <QMetaObject>
#include <QWidget>

class BrowserState;
class QLabel;
class QToolButton;
namespace Kit {
class ElidingLabel;
}

// The last row of the window: the latest operation's outcome on one line, the tag filter
// with a button that ends it, the size of the active pane's selection and the free space
// of its volume.
class StatusBar : public QWidget
{
    Q_OBJECT

public:
    explicit StatusBar(BrowserState &state, QWidget *parent = nullptr);

private:
    void bindPane();
    void apply();

    BrowserState &m_state;
    Kit::ElidingLabel *m_status;
    QToolButton *m_tagChip;
    QLabel *m_selection;
    QLabel *m_freeSpace;
    QList<QMetaObject::Connection> m_paneConnections;
};
