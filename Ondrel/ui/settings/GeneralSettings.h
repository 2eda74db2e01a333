#pragma once

#include "SettingsForm.h"
#include "SettingsServices.h"

class QComboBox;

// The first page of the settings window ("通用"): interface language, naming template,
// start-up, background watch, local content search and clearing it, pre-reading, the
// sidebar's data, privacy, and the experimental switch, in that order.
class GeneralSettings : public SettingsForm::Page
{
    Q_OBJECT

public:
    explicit GeneralSettings(const SettingsServices &services, QWidget *parent = nullptr);

    // Stores "onboardingCompleted" as false, which makes the main window's content show the
    // onboarding sheet again from its first step, and brings the first shown window titled
    // "Marovel" to the front.
    static void replayOnboarding();

private:
    void addLanguage();
    void addStartup();
    void addPreRead();
    void addExperimental();
};
