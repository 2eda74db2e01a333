#pragma once

#include <QDialog>

class BrowserState;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SheetPresenter;

// The sheet that states one rename rule for the files of the active pane: text to find
// and its replacement, a prefix, and an optional running number. It renames nothing:
// "生成建议" hands the four values, exactly as typed, to BrowserState::applyBatchRule,
// which writes a suggestion into each file item for the user to review and apply.
class BatchRenameDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BatchRenameDialog(BrowserState &state, QWidget *parent = nullptr);

private:
    void retranslate();
    void generate();

    BrowserState &m_state;
    QLabel *m_title;
    QLabel *m_subtitle;
    QLabel *m_findLabel;
    QLabel *m_replaceLabel;
    QLabel *m_prefixLabel;
    QLineEdit *m_find;
    QLineEdit *m_replace;
    QLineEdit *m_prefix;
    QCheckBox *m_addSeq;
    QPushButton *m_cancel;
    QPushButton *m_generate;
};

namespace BatchRenameSheet {
// Shows a new sheet while the window's `showBatchRename` flag is set.
void add(SheetPresenter &sheets, BrowserState &state);
} // namespace BatchRenameSheet
