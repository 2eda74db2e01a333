#include "GoToSheet.h"

#include "SheetLayout.h"
#include "BrowserState.h"
#include "Localization.h"
#include "kit/Style.h"
#include "window/SheetPresenter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

GoToSheet::GoToSheet(BrowserState &state, QWidget *parent)
    : QDialog(parent), m_state(state), m_path(new QLineEdit(this))
{
    setObjectName(QStringLiteral("goToSheet"));
    setWindowModality(Qt::WindowModal);

    auto *title = new QLabel(this);
    title->setObjectName(QStringLiteral("goToTitle"));
    Kit::setTextRole(title, Kit::TextRole::headline);
    m_path->setObjectName(QStringLiteral("goToPath"));
    m_path->setFixedWidth(380);
    m_path->setClearButtonEnabled(false);

    auto *cancel = new QPushButton(this);
    cancel->setObjectName(QStringLiteral("goToCancel"));
    auto *goButton = new QPushButton(this);
    goButton->setObjectName(QStringLiteral("goToGo"));

    QVBoxLayout *column = SheetLayout::column(this);
    column->addWidget(title);
    column->addWidget(m_path);
    column->addLayout(SheetLayout::buttonRow(cancel, goButton));

    Kit::retranslate(this, [this, title, cancel, goButton] {
        setWindowTitle(L("前往文件夹"));
        title->setText(L("前往文件夹"));
        m_path->setPlaceholderText(L("/home/… 或 ~/Downloads"));
        m_path->setAccessibleName(L("前往文件夹"));
        cancel->setText(L("取消"));
        goButton->setText(L("前往"));
    });

    // Return in the field both submits it and presses the default button: go() runs once.
    connect(m_path, &QLineEdit::returnPressed, this, &GoToSheet::go);
    connect(goButton, &QPushButton::clicked, this, &GoToSheet::go);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_path->setFocus();
}

void GoToSheet::go()
{
    if (std::exchange(m_gone, true))
        return;
    // Not trimmed, not checked: the window model judges the text and reports on it.
    m_state.goToPath(m_path->text());
    accept();
}

void GoToSheet::add(SheetPresenter &sheets, BrowserState &state)
{
    const SheetPresenter::Flag flag{&BrowserState::showGoTo, &BrowserState::setShowGoTo,
                                    &BrowserState::showGoToChanged};
    sheets.add(flag, [&state](QWidget *parent) -> QDialog * { return new GoToSheet(state, parent); });
}
