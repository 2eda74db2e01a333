#include "NameCollator.h"

#include "Localization.h"

NameCollator::NameCollator()
    : NameCollator(interfaceLocale())
{
}

NameCollator::NameCollator(const QLocale &locale)
    : m_collator(locale)
{
    m_collator.setNumericMode(true);
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_collator.setIgnorePunctuation(false);
}

QLocale NameCollator::interfaceLocale()
{
    const QString language = Loc::shared().language();
    return QLocale(language == QLatin1String("en") ? QStringLiteral("en_US")
                                                   : QStringLiteral("zh_CN"));
}
