#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The pictures `make shots` renders: one row per state of a window, pane, banner, sheet
// or popover, each drawn in Chinese and English on the light and dark palettes.
namespace Shots {

// What a state's setup may use.
struct Context
{
    QString fixture;     // the fixture folder (see Fixture.h)
    QStringList dataTexts; // texts that come from data (file names), exempt from the
                           // check for untranslated texts
};

struct Shot
{
    QString area;  // sub-folder of the pictures, such as "kit" or "window"
    QString state; // picture name, such as "gallery" or "banner-42"
    // Builds the widget to photograph (a top-level widget; the tool deletes it).
    std::function<QWidget *(const Context &)> setup;
    // True once the widget shows what it should (listings loaded...); waited for, within
    // a bound. Absent: ready at once.
    std::function<bool(QWidget *)> ready = {};
    // The picture's size; a height of 0 takes the widget's own height (bars, banners).
    QSize size = {1280, 800};
};

// Every state, in the order they are rendered. Each area adds its own list here.
QList<Shot> all();

// The lists of the areas.
QList<Shot> kitShots();
QList<Shot> windowShots();
QList<Shot> listShots();
QList<Shot> searchShots();
QList<Shot> previewShots();
QList<Shot> agentShots();
QList<Shot> barShots();
QList<Shot> infoShots();
QList<Shot> integrationShots();
QList<Shot> settingsShots();
QList<Shot> actionShots();
QList<Shot> actionResultShots();
QList<Shot> onboardingShots();

} // namespace Shots
