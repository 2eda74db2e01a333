#pragma once

#include "FileItem.h"

#include <QWidget>

class ActionPaneModel;

// The answer of the naming request below the file hero of the single-item view: a reading
// row while the request runs, then the proposed name with its apply button or a note that
// the name stays. It reads the pane's `naming`, `proposal` and `proposedURL`, hides itself
// when there is nothing to show, and always for a folder.
class NamingResult : public QWidget
{
    Q_OBJECT

public:
    explicit NamingResult(ActionPaneModel &model, QWidget *parent = nullptr);

    // The item the single-item view shows now; called whenever another item is shown.
    void setItem(const FileItem &item);

private:
    ActionPaneModel &m_model;
    FileItem m_item;
};
