#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class BrowserState;
class QDialog;
class QWidget;

// Shows a window's sheets: each sheet is bound to one Bool flag of the window's
// BrowserState. When the flag turns true, a fresh dialog is made by the sheet's factory and
// opened window-modal over the host; when the dialog finishes, the flag goes back to false
// and the dialog is deleted. Setting the flag true while its sheet is shown does nothing;
// setting it false closes the sheet (rejected).
class SheetPresenter : public QObject
{
    Q_OBJECT

public:
    // A Bool flag of BrowserState: its getter, setter and change signal.
    struct Flag
    {
        bool (BrowserState::*get)() const;
        void (BrowserState::*set)(bool);
        void (BrowserState::*changed)();
    };
    // Makes the sheet's dialog as a child of `parent`; a null dialog shows nothing and
    // resets the flag.
    using Factory = std::function<QDialog *(QWidget *parent)>;

    SheetPresenter(BrowserState &state, QWidget *host);
    ~SheetPresenter() override;

    // Binds the sheet made by `make` to `flag`; shows it at once when the flag is set.
    // One sheet per flag: a second registration for the same flag replaces the first.
    void add(const Flag &flag, Factory make);
    // The dialog shown for the flag; null while none is.
    QDialog *shown(const Flag &flag) const;

private:
    struct Sheet
    {
        Flag flag;
        Factory make;
        QPointer<QDialog> dialog;
        QMetaObject::Connection watch;
    };

    Sheet *find(const Flag &flag) const;
    void update(Sheet &sheet);
    void present(Sheet &sheet);
    void finished(Sheet &sheet);

    BrowserState &m_state;
    QWidget *m_host;
    // Stable addresses: connections capture the sheets.
    QList<Sheet *> m_sheets;
};
