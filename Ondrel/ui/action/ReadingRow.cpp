#include "ReadingRow.h"

#include "Localization.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

ReadingRow::ReadingRow(QWidget *parent)
    : Kit::Card(parent), m_busy(new QProgressBar(this)), m_text(Kit::plainLabel({}, this))
{
    setObjectName(QStringLiteral("readingRow"));
    setTint(Kit::Tint::purple, 0.08);
    setRadius(11);

    m_busy->setObjectName(QStringLiteral("readingBusy"));
    m_busy->setRange(0, 0); // busy: no known end
    m_busy->setTextVisible(false);
    m_busy->setFixedSize(36, 6);
    m_text->setObjectName(QStringLiteral("readingText"));
    Kit::setTextRole(m_text, Kit::TextRole::caption);
    Kit::setTextLevel(m_text, Kit::Level::secondary);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(12, 9, 12, 9);
    row->setSpacing(8);
    row->addWidget(m_busy, 0, Qt::AlignVCenter);
    row->addWidget(m_text, 0, Qt::AlignVCenter);
    row->addStretch(1);

    Kit::retranslate(this, [this] { m_text->setText(L("AI 正在读这个文件…")); });
}
