#pragma once

#include "FileItem.h"

#include <QWidget>

class ActionPaneModel;

// The scenario card of the single-item view: what was recognised in the selected file,
// with the suggested name and folder. It reads and writes the pane's fields (thinking,
// match, the rename offer and the suggested-name editor) and hides itself when there is
// nothing to show, and always for a folder.
class ScenarioCard : public QWidget
{
    Q_OBJECT

public:
    explicit ScenarioCard(ActionPaneModel &model, QWidget *parent = nullptr);

    // The item the single-item view shows now; called whenever another item is shown.
    void setItem(const FileItem &item);

private:
    ActionPaneModel &m_model;
    FileItem m_item;
};
