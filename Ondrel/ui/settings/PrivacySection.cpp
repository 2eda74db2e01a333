#include "PrivacySection.h"

#include "Defaults.h"
#include "Localization.h"
#include "Telemetry.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

PrivacySection::PrivacySection(QWidget *parent)
    : SettingsForm::Section(L("隐私与改进"), parent), m_email(new QLineEdit(this)), m_emailRows(new QWidget(this))
{
    auto *usage = SettingsForm::boundCheck(QStringLiteral("telemetryEnabled"), true,
                                           L("发送匿名使用统计，帮助改进 Marovel"), this);
    usage->setObjectName(QStringLiteral("telemetrySwitch"));
    addRow(usage);
    addRow(SettingsForm::caption(L("只发事件类型、版本、系统、随机设备 ID；绝不上传文件名、路径或内容。默认开，随时可关。"), this));

    auto *optIn = SettingsForm::boundCheck(optInEnabledKey, false, L("愿意听说开发者的新工具"), this);
    optIn->setObjectName(QStringLiteral("optInSwitch"));
    addRow(optIn);

    m_emailRows->setObjectName(QStringLiteral("optInRows"));
    m_email->setObjectName(QStringLiteral("optInEmail"));
    m_email->setPlaceholderText(L("你的邮箱"));
    m_email->setAccessibleName(L("你的邮箱"));
    m_email->setText(Defaults::shared().string(optInEmailKey));
    auto *rows = new QVBoxLayout(m_emailRows);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(Kit::Space::normal);
    rows->addWidget(m_email);
    rows->addWidget(SettingsForm::caption(L("仅用于不定期分享开发者的其他工具，不做其他用途。"), m_emailRows));
    addRow(m_emailRows);

    // Stored as typed; sent trimmed.
    connect(m_email, &QLineEdit::textEdited, this,
            [](const QString &text) { Defaults::shared().setValue(optInEmailKey, text); });
    connect(m_email, &QLineEdit::returnPressed, this, &PrivacySection::submitIfValid);
    connect(&Defaults::shared(), &Defaults::changed, this, [this](const QString &key) {
        if (key == optInEnabledKey || key == optInEmailKey)
            apply();
    });
    apply();
}

std::optional<QString> PrivacySection::optInAddress(const QString &typed)
{
    const QString address = typed.trimmed();
    if (address.contains(u'@') && address.contains(u'.'))
        return address;
    return std::nullopt;
}

void PrivacySection::apply()
{
    m_emailRows->setVisible(Defaults::shared().boolValue(optInEnabledKey, false));
    const QString stored = Defaults::shared().string(optInEmailKey);
    if (m_email->text() != stored)
        m_email->setText(stored);
}

void PrivacySection::submitIfValid()
{
    if (const std::optional<QString> address = optInAddress(Defaults::shared().string(optInEmailKey)))
        Telemetry::submitOptIn(*address);
}
