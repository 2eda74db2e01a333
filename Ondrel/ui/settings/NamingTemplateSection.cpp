#include "NamingTemplateSection.h"

#include "Localization.h"
#include "NamingTemplate.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>

namespace {

const QString sampleDate = QStringLiteral("2026-06-26");

QString positionLabel(NamingTemplate::DatePosition position)
{
    switch (position) {
    case NamingTemplate::DatePosition::prefix: return L("日期在前");
    case NamingTemplate::DatePosition::suffix: return L("日期在后");
    case NamingTemplate::DatePosition::none: return L("不加日期");
    }
    return {};
}

QString styleLabel(NamingTemplate::DateStyle style)
{
    switch (style) {
    case NamingTemplate::DateStyle::ymd: return L("%@（%@）", L("年-月-日"), sampleDate);
    case NamingTemplate::DateStyle::ymdCompact: return L("%@（%@）", L("年月日（紧凑）"), QStringLiteral("20260626"));
    case NamingTemplate::DateStyle::ym: return L("%@（%@）", L("年-月"), QStringLiteral("2026-06"));
    }
    return {};
}

QString separatorLabel(NamingTemplate::Separator separator)
{
    switch (separator) {
    case NamingTemplate::Separator::underscore: return L("下划线 _");
    case NamingTemplate::Separator::hyphen: return L("连字符 -");
    case NamingTemplate::Separator::space: return L("空格");
    case NamingTemplate::Separator::dot: return L("圆点 .");
    }
    return {};
}

template <typename T, typename Label>
QComboBox *picker(const QList<T> &values, Label label, const char *name, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMinimumWidth(220);
    for (const T value : values)
        box->addItem(label(value));
    return box;
}

} // namespace

NamingTemplateSection::NamingTemplateSection(NamingStore &naming, QWidget *parent)
    : SettingsForm::Section(L("命名模板"), parent), m_naming(naming),
      m_position(picker(NamingTemplate::allDatePositions(), positionLabel, "datePositionPicker", this)),
      m_style(picker(NamingTemplate::allDateStyles(), styleLabel, "dateStylePicker", this)),
      m_separator(picker(NamingTemplate::allSeparators(), separatorLabel, "separatorPicker", this)),
      m_preview(Kit::plainLabel({}, this))
{
    m_preview->setObjectName(QStringLiteral("namingPreview"));
    m_preview->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(Kit::font(Kit::TextRole::caption).pointSizeF());
    m_preview->setFont(mono);
    Kit::setTextLevel(m_preview, Kit::Level::secondary);

    addRow(SettingsForm::labelledRow(L("日期位置"), m_position, this));
    addRow(SettingsForm::labelledRow(L("日期格式"), m_style, this));
    addRow(SettingsForm::labelledRow(L("分隔符"), m_separator, this));
    addRow(m_preview);
    addRow(SettingsForm::caption(
        L("AI 命名按此结构组装。日期取业务日期（发票日 / 签署日…），无业务日期时退回文件日期。新窗口生效。"), this));

    for (QComboBox *box : {m_position, m_style, m_separator})
        connect(box, &QComboBox::activated, this, &NamingTemplateSection::choose);
    connect(&m_naming, &NamingStore::templateChanged, this, &NamingTemplateSection::apply);
    apply();
}

QString NamingTemplateSection::previewName() const
{
    return m_naming.currentTemplate().render(L("Acme公司发票"), sampleDate, QStringLiteral("pdf"));
}

void NamingTemplateSection::choose()
{
    NamingTemplate value = m_naming.currentTemplate();
    value.datePosition = NamingTemplate::allDatePositions().value(m_position->currentIndex(), value.datePosition);
    value.dateStyle = NamingTemplate::allDateStyles().value(m_style->currentIndex(), value.dateStyle);
    value.separator = NamingTemplate::allSeparators().value(m_separator->currentIndex(), value.separator);
    m_naming.setTemplate(value);
    apply(); // also when the store saw no change
}

void NamingTemplateSection::apply()
{
    const NamingTemplate value = m_naming.currentTemplate();
    const QSignalBlocker a(m_position), b(m_style), c(m_separator);
    m_position->setCurrentIndex(int(NamingTemplate::allDatePositions().indexOf(value.datePosition)));
    m_style->setCurrentIndex(int(NamingTemplate::allDateStyles().indexOf(value.dateStyle)));
    m_separator->setCurrentIndex(int(NamingTemplate::allSeparators().indexOf(value.separator)));
    m_style->setEnabled(value.datePosition != NamingTemplate::DatePosition::none);
    m_preview->setText(L("预览：%@", previewName()));
}
