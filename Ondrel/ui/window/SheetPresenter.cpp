#include "SheetPresenter.h"

#include "BrowserState.h"

#include <QDialog>
#include <QWidget>

SheetPresenter::SheetPresenter(BrowserState &state, QWidget *host)
    : QObject(host), m_state(state), m_host(host)
{
}

SheetPresenter::~SheetPresenter()
{
    qDeleteAll(m_sheets);
}

void SheetPresenter::add(const Flag &flag, Factory make)
{
    Sheet *sheet = find(flag);
    if (sheet) {
        disconnect(sheet->watch);
        if (sheet->dialog) {
            // The replaced sheet's dialog goes without touching the flag: the new one
            // takes over.
            sheet->dialog->disconnect(this);
            sheet->dialog->deleteLater();
            sheet->dialog = nullptr;
        }
    } else {
        sheet = new Sheet{flag, {}, {}, {}};
        m_sheets << sheet;
    }
    sheet->make = std::move(make);
    sheet->watch = connect(&m_state, flag.changed, this, [this, sheet] { update(*sheet); });
    update(*sheet);
}

QDialog *SheetPresenter::shown(const Flag &flag) const
{
    const Sheet *sheet = find(flag);
    return sheet ? sheet->dialog.data() : nullptr;
}

SheetPresenter::Sheet *SheetPresenter::find(const Flag &flag) const
{
    for (Sheet *sheet : m_sheets) {
        if (sheet->flag.get == flag.get)
            return sheet;
    }
    return nullptr;
}

void SheetPresenter::update(Sheet &sheet)
{
    const bool wanted = (m_state.*sheet.flag.get)();
    if (wanted && !sheet.dialog)
        present(sheet);
    else if (!wanted && sheet.dialog)
        sheet.dialog->reject();
}

void SheetPresenter::present(Sheet &sheet)
{
    QDialog *dialog = sheet.make ? sheet.make(m_host) : nullptr;
    if (!dialog) {
        (m_state.*sheet.flag.set)(false);
        return;
    }
    sheet.dialog = dialog;
    Sheet *target = &sheet;
    connect(dialog, &QDialog::finished, this, [this, target] { finished(*target); });
    dialog->open();
}

void SheetPresenter::finished(Sheet &sheet)
{
    QDialog *dialog = sheet.dialog;
    if (!dialog)
        return;
    sheet.dialog = nullptr;
    dialog->disconnect(this);
    dialog->deleteLater();
    (m_state.*sheet.flag.set)(false);
}
