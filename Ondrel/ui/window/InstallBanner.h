#pragma once

#include "kit/Widgets.h"

#include <functional>

class QLabel;
class QPushButton;

// The orange banner above the window's bars while Marovel is not an installed application
// (no desktop entry): its button writes the entry; a failure switches the second line to
// a red hint, success hides the banner.
class InstallBanner : public Kit::Card
{
    Q_OBJECT

public:
    struct Services
    {
        std::function<bool()> isInstalled;
        std::function<bool()> install;
    };
    // The real desktop entry of the running executable.
    static Services desktopEntry();

    explicit InstallBanner(Services services = desktopEntry(), QWidget *parent = nullptr);

    bool installFailed() const { return m_failed; }

public slots:
    // Shows or hides the banner as the entry is there or not.
    void refresh();

private:
    void retranslate();

    Services m_services;
    bool m_failed = false;
    QLabel *m_title;
    QLabel *m_note;
    QPushButton *m_install;
};
