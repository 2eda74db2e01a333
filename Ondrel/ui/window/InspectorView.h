#pragma once

#include <QList>
#include <QMetaObject>
#include <QWidget>

class BrowserState;
class GetInfo;
class QLabel;
class QStackedWidget;

// The information pane of the detail column: with nothing selected in the active pane a
// hint, with one item its information page, with several items their count and total size.
class InspectorView : public QWidget
{
    Q_OBJECT

public:
    explicit InspectorView(BrowserState &state, QWidget *parent = nullptr);

private:
    void bindPane();
    void apply();

    BrowserState &m_state;
    QStackedWidget *m_pages;
    QWidget *m_empty;
    QWidget *m_multi;
    GetInfo *m_info;
    QLabel *m_emptyText;
    QLabel *m_count;
    QLabel *m_total;
    QList<QMetaObject::Connection> m_paneConnections;
};
