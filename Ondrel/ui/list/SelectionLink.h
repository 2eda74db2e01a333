#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class FileListModel;
class QAbstractItemView;

// Keeps a view's row selection and its pane's selection in step, both ways. The pane's
// selection is shown as row ranges in one call (row by row costs seconds for big
// folders); a selection the view makes is written to the pane, and a non-empty one calls
// `touched` (the view's pane becomes the active one). Neither direction echoes back.
class SelectionLink : public QObject
{
    Q_OBJECT

public:
    SelectionLink(QAbstractItemView *view, FileListModel *model, std::function<void()> touched);

    // Shows the pane's selection in the view (after a new listing, or a pane change).
    void toView();

private:
    void fromView();
    void followPane();

    QAbstractItemView *m_view;
    FileListModel *m_model;
    std::function<void()> m_touched;
    QObject *m_paneLink = nullptr;
    bool m_updating = false;
};
