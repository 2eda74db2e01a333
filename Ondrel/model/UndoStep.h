#pragma once

#include <QString>
#include <QUuid>

#include <functional>

class BrowserState;

// One entry of a window's undo stack: a name for the Undo command and the reversal, which
// owns whatever it captured (the paths to move back, for example). Runs on the GUI thread.
struct UndoStep
{
    QUuid id = QUuid::createUuid();
    QString name;
    std::function<void(BrowserState &)> run;
};
