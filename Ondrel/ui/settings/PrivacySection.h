#pragma once

#include "SettingsForm.h"

#include <optional>

class QLineEdit;

// "隐私与改进": the usage statistics switch, and the newsletter opt-in with its e-mail field,
// which sends the address when Return is pressed in it.
class PrivacySection : public SettingsForm::Section
{
    Q_OBJECT

public:
    explicit PrivacySection(QWidget *parent = nullptr);

    static inline const QString optInEnabledKey = QStringLiteral("optInEnabled");
    static inline const QString optInEmailKey = QStringLiteral("optInEmail");

    // The address to send for what the user typed: trimmed, and only when it contains
    // both "@" and ".".
    static std::optional<QString> optInAddress(const QString &typed);

private:
    void apply();
    void submitIfValid();

    QLineEdit *m_email;
    QWidget *m_emailRows;
};
