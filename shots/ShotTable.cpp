#include "Shots.h"

namespace Shots {

QList<Shot> all()
{
    // Windows add their areas here.
    return kitShots() + windowShots() + listShots() + previewShots() + searchShots() + agentShots()
           + barShots() + infoShots() + settingsShots() + actionShots() + actionResultShots()
           + integrationShots() + onboardingShots();
}

} // namespace Shots
