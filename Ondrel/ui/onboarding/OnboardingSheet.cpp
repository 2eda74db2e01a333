#include "OnboardingSheet.h"

#include "BrowserState.h"
#include "Localization.h"
#include "OnboardingController.h"
#include "OnboardingSheetBody.h"
#include "kit/Style.h"
#include "window/SheetPresenter.h"

#include <QVBoxLayout>

OnboardingSheet::OnboardingSheet(OnboardingController &controller, QWidget *parent)
    : QDialog(parent), m_controller(controller), m_body(new OnboardingSheetBody(this))
{
    setObjectName(QStringLiteral("onboardingSheet"));
    setWindowModality(Qt::WindowModal);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_body);

    m_body->setActions(m_controller.actions());
    m_body->setState(m_controller.state());
    connect(&m_controller, &OnboardingController::changed, this,
            [this] { m_body->setState(m_controller.state()); });
    Kit::retranslate(this, [this] { setWindowTitle(L("欢迎使用 Marovel")); });
}

void OnboardingSheet::add(SheetPresenter &sheets, OnboardingController &controller)
{
    const SheetPresenter::Flag flag{&BrowserState::showOnboarding, &BrowserState::setShowOnboarding,
                                    &BrowserState::showOnboardingChanged};
    sheets.add(flag, [&controller](QWidget *parent) -> QDialog * { return new OnboardingSheet(controller, parent); });
}
