#include "ScenarioOffer.h"

#include "Localization.h"
#include "NamingTemplate.h"

QString pathExtension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot <= 0 || dot == fileName.size() - 1)
        return {};
    return fileName.mid(dot + 1);
}

ScenarioOffer ScenarioOffer::make(const ScenarioMatch &match, const QString &fileName)
{
    ScenarioOffer offer;
    offer.kindText = ScenarioKinds::rawValue(match.kind);
    offer.sensitive = match.sensitive;
    if (match.renameReady) {
        offer.suggested =
            NamingTemplate::loadOrMigrate().render(match.base, match.datePrefix, pathExtension(fileName));
        offer.alreadyRight = *offer.suggested == fileName;
    }
    if (match.filingReady && match.folderHint) {
        if (match.renameReady) {
            offer.filingLabel = L("改名并归入「%@」", *match.folderHint);
            offer.filingFinalName = *offer.suggested;
        } else {
            offer.filingLabel = L("归入「%@」", *match.folderHint);
        }
    }
    return offer;
}
