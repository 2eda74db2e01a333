#pragma once

#include "ScenarioMatch.h"

#include <QString>

#include <optional>

// What the scenario card offers for one file, worked out from the detection result and
// the file's name alone. Recomputed on every update: the naming template is read from
// the settings each time, so a change made there shows at once.
struct ScenarioOffer
{
    QString kindText;                   // the kind's raw value, sent with every event
    std::optional<QString> suggested;   // the suggested full name, when renameReady
    bool alreadyRight = false;          // the suggested name is the file's name
    bool sensitive = false;
    // Filing, when filingReady and a folder hint is there: the button's label and the
    // final name handed to filing (empty: the file keeps its name).
    std::optional<QString> filingLabel;
    QString filingFinalName;

    static ScenarioOffer make(const ScenarioMatch &match, const QString &fileName);
};

// The extension of a file name with its case kept: the text after the last dot, none
// when the name has no dot, starts with its only dot (".bashrc") or ends with a dot.
QString pathExtension(const QString &fileName);
