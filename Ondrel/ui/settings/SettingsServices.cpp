#include "SettingsServices.h"

#ifndef MAROVEL_MAKER_URL
#define MAROVEL_MAKER_URL "https://pellory.example/"
#endif
#ifndef MAROVEL_PRODUCT_URL
#define MAROVEL_PRODUCT_URL "https://marovel.example/"
#endif

QUrl SettingsServices::makerUrl()
{
    return QUrl(QStringLiteral(MAROVEL_MAKER_URL));
}

QUrl SettingsServices::productUrl()
{
    return QUrl(QStringLiteral(MAROVEL_PRODUCT_URL));
}
