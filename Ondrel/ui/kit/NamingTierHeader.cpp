#include "NamingTierHeader.h"

#include "Localization.h"
#include "Style.h"
#include "Widgets.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace Kit {

NamingTierHeader::NamingTierHeader(QWidget *parent) : NamingTierHeader(false, {}, false, false, parent) {}

NamingTierHeader::NamingTierHeader(bool ready, const QString &readyTitle, bool compact, bool staleHint,
                                   QWidget *parent)
    : QWidget(parent),
      m_ready(ready),
      m_readyTitle(readyTitle),
      m_compact(compact),
      m_staleHint(staleHint),
      m_glyph(new SymbolView(QStringLiteral("sparkles"), 12, this)),
      m_title(plainLabel({}, this)),
      m_badge(new Pill(this)),
      m_hint(plainLabel({}, this))
{
    setObjectName(QStringLiteral("namingTierHeader"));
    m_glyph->setObjectName(QStringLiteral("tierGlyph"));
    m_title->setObjectName(QStringLiteral("tierTitle"));
    m_badge->setObjectName(QStringLiteral("tierBadge"));
    m_hint->setObjectName(QStringLiteral("tierStaleHint"));

    m_title->setWordWrap(true);
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_badge->setFill([](const QPalette &palette) {
        QColor c = textColor(Level::secondary, palette);
        c.setAlphaF(0.16f);
        return c;
    });
    setTextLevel(m_badge, Level::secondary);
    QFont badgeFont = Kit::font(TextRole::caption2);
    badgeFont.setWeight(QFont::Medium);
    m_badge->setFont(badgeFont);
    m_hint->setWordWrap(true);
    setTextRole(m_hint, TextRole::caption);
    setTextLevel(m_hint, Level::secondary);

    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(m_glyph, 0, Qt::AlignTop);
    row->addWidget(m_title, 1, Qt::AlignTop);
    row->addWidget(m_badge, 0, Qt::AlignTop);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    column->addLayout(row);
    column->addWidget(m_hint);

    retranslate(this, [this] { apply(); });
}

void NamingTierHeader::setValues(bool ready, const QString &readyTitle, bool compact, bool staleHint)
{
    m_ready = ready;
    m_readyTitle = readyTitle;
    m_compact = compact;
    m_staleHint = staleHint;
    apply();
}

void NamingTierHeader::setReady(bool ready)
{
    if (ready == m_ready)
        return;
    m_ready = ready;
    apply();
}

void NamingTierHeader::setReadyTitle(const QString &title)
{
    m_readyTitle = title;
    apply();
}

void NamingTierHeader::apply()
{
    const QFont titleFont = Kit::font(m_compact ? TextRole::caption2 : TextRole::headline);
    const QFont glyphFont = Kit::font(m_compact ? TextRole::caption2 : TextRole::callout);
    m_glyph->setSymbolSize(QFontMetrics(glyphFont).height());
    m_glyph->setSymbol(m_ready ? QStringLiteral("sparkles") : QStringLiteral("list.bullet"));
    if (m_ready)
        m_glyph->setTint(Tint::cobalt);
    else
        m_glyph->setLevel(Level::secondary);

    m_title->setFont(titleFont);
    m_title->setText(m_ready ? m_readyTitle : L("本地大脑未就绪，以下是根据文件名与内容规则的基础命名"));
    if (!m_ready)
        setTextLevel(m_title, Level::secondary);
    else if (m_compact)
        setForeground(m_title, Tint::cobalt);
    else
        setTextLevel(m_title, Level::primary);

    m_badge->setText(L("基础"));
    m_badge->setVisible(!m_ready);
    m_hint->setText(L("本地大脑已就绪，重新扫描可获得更准的建议。"));
    m_hint->setVisible(m_ready && m_staleHint);
}

} // namespace Kit
