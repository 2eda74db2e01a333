#pragma once

#include "FileItem.h"

#include <QWidget>

class ActionButton;
class ActionPaneModel;
class BrainStatusFeed;
class BrowserState;
class QLabel;
class ReadingRow;
namespace Kit {
class Card;
class NamingTierHeader;
class SymbolView;
class WrappingText;
} // namespace Kit

// The answer to the AI naming request of the single-item view, below its hero button: a
// reading row while the request runs; then, for the selected file, the proposed name
// under the naming-tier header with a one-click apply, or a note that the name was kept.
// Otherwise it takes no space. Sends no telemetry.
class NamingResult : public QWidget
{
    Q_OBJECT

public:
    explicit NamingResult(ActionPaneModel &model, QWidget *parent = nullptr);

    // The item the single-item view shows now; called whenever another item is shown.
    void setItem(const FileItem &item);

    // Takes the shown proposal: "hasAcceptedRename", the rename, the proposal cleared.
    void applyProposal();

private:
    void scheduleApply();
    void apply();

    BrowserState &m_state;
    ActionPaneModel &m_model;
    FileItem m_item;
    bool m_queued = false;
    BrainStatusFeed *m_brain;

    ReadingRow *m_reading;
    Kit::Card *m_card;
    QWidget *m_kept;
    QLabel *m_keptText;
    Kit::NamingTierHeader *m_header;
    Kit::WrappingText *m_newName;
    ActionButton *m_applyButton;
};
