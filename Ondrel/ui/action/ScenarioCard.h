#pragma once

#include "FileItem.h"
#include "ScenarioOffer.h"

#include <QPointer>
#include <QWidget>

class ActionButton;
class ActionPaneModel;
class BrowserState;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class ReadingRow;
namespace Kit {
class Card;
class Pill;
class SymbolView;
class WrappingText;
} // namespace Kit

// What the detector recognised in the selected file, in the single-item view: the kind,
// the text it read, how sure it is, whether the file is sensitive; the rule-based name
// offered with one click (or edited first) and filing into the kind's folder. While the
// scenario is looked up a reading row stands in; with nothing recognised the card takes
// no space.
//
// Built once per selected item and updated in place from the pane model, so the editor
// keeps its focus and cursor. An offer is reported (renameOffered) when it goes from
// hidden to shown for a (file, suggestion) pair, not on every update. The card moves no
// file itself: names go through BrowserState::rename and fileScenario.
class ScenarioCard : public QWidget
{
    Q_OBJECT

public:
    explicit ScenarioCard(ActionPaneModel &model, QWidget *parent = nullptr);

    // The item the single-item view shows now; called whenever another item is shown.
    void setItem(const FileItem &item);

    // The actions of the card's buttons, in the order their steps run.
    void accept();
    void edit();
    void skip();
    void cancel();
    void applySuggestion();

private:
    void bind();
    void scheduleApply();
    void apply();
    void applyCard(const ScenarioMatch &match, const ScenarioOffer &offer);
    void noteOffer(bool visible, const ScenarioOffer &offer);
    ScenarioOffer currentOffer() const;

    BrowserState &m_state;
    ActionPaneModel &m_model;
    FileItem m_item;
    bool m_queued = false;
    // The offer on screen, as (path, suggestion); empty when none is shown.
    QString m_offerShownFor;
    // The item this card asked to rename while that rename runs: its offer stays hidden
    // until the rename fails (then it is offered again) or the item changes.
    QString m_renaming;

    ReadingRow *m_reading;
    Kit::Card *m_card;
    Kit::SymbolView *m_headingIcon;
    QLabel *m_heading;
    Kit::SymbolView *m_kindIcon;
    Kit::WrappingText *m_recognized;
    Kit::Pill *m_kind;
    QLabel *m_conf;
    QWidget *m_lock;
    QLabel *m_lockText;
    QLabel *m_note;
    QWidget *m_alreadyRight;
    QLabel *m_alreadyRightText;
    QWidget *m_offer;
    Kit::WrappingText *m_suggested;
    ActionButton *m_acceptButton;
    QToolButton *m_editButton;
    QToolButton *m_skipButton;
    QWidget *m_editor;
    QLineEdit *m_edit;
    QLabel *m_warning;
    QPushButton *m_cancelButton;
    QPushButton *m_applyButton;
    ActionButton *m_fileButton;
};
