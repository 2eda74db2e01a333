#pragma once

#include <QDialog>

class BrowserState;
class OnboardingController;
class OnboardingSheetBody;
class SheetPresenter;

// The live onboarding sheet: a window-modal dialog whose body draws the controller's
// state and calls its actions, redrawn whenever that state changes. Escape or closing the
// dialog rejects it, like any sheet.
class OnboardingSheet : public QDialog
{
    Q_OBJECT

public:
    OnboardingSheet(OnboardingController &controller, QWidget *parent = nullptr);

    OnboardingSheetBody *body() const { return m_body; }

    // Registers the sheet for the window's `showOnboarding` flag.
    static void add(SheetPresenter &sheets, OnboardingController &controller);

private:
    OnboardingController &m_controller;
    OnboardingSheetBody *m_body;
};
