#pragma once

#include "SettingsForm.h"

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;

// The settings page "系统集成": making Marovel the default file manager for folders and
// for other programs' "show in file manager" requests, starting it at login, adding it to
// the applications menu, and handing the default role back. A grouped form like the
// other settings pages.
//
// Each time the page is shown it reads the state again; a toggle that changes then (or by
// the user) runs its action, so a page opened while the user wants the role but another
// program holds it takes the role back.
class IntegrationSettings : public SettingsForm::Page
{
    Q_OBJECT

public:
    struct Services
    {
        std::function<bool()> isInstalled;
        std::function<bool()> install;
        std::function<bool()> isDefaultFileViewer;
        std::function<void(bool)> setDefaultFileViewer;
        std::function<bool()> isLoginEnabled;
        std::function<void(bool)> setLogin; // may throw
    };
    // Integration's real operations.
    static Services system();

    explicit IntegrationSettings(Services services = system(), QWidget *parent = nullptr);

    // Reads the installed, default-viewer and login states again (what showing does).
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void retranslate();
    void applyInstalled(bool installed);
    void fileViewerChanged(bool on);
    void loginChanged(bool on);
    void install();
    void giveBack();

    Services m_services;
    bool m_moveFailed = false;

    QLabel *m_intro;
    SettingsForm::Section *m_installSection;
    QLabel *m_installTitle;
    QLabel *m_installNote;
    QPushButton *m_installButton;
    QLabel *m_installFailed;
    SettingsForm::Section *m_handySection;
    QCheckBox *m_fileViewer;
    QLabel *m_fileViewerNote;
    QCheckBox *m_login;
    QLabel *m_openWithTitle;
    QLabel *m_openWithValue;
    QPushButton *m_giveBack;
    QLabel *m_giveBackNote;
};
