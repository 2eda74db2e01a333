#pragma once

#include <QDialog>

class BrowserState;
class QLineEdit;
class SheetPresenter;

// The small sheet in which the user types a folder path to show in the active pane. It
// only collects the text: BrowserState::goToPath() expands "~", checks the folder and
// reports a wrong path in the status line. "前往" and Return hand over the text exactly as
// typed and close the sheet; "取消" only closes it.
class GoToSheet : public QDialog
{
    Q_OBJECT

public:
    explicit GoToSheet(BrowserState &state, QWidget *parent = nullptr);

    // Registers the sheet for the window's `showGoTo` flag.
    static void add(SheetPresenter &sheets, BrowserState &state);

private:
    void go();

    BrowserState &m_state;
    QLineEdit *m_path;
    bool m_gone = false;
};
