#pragma once

#include "ScenarioDetector.h"

#include <QDate>
#include <QString>

// Pins "today" and the interface language for the helpers under test.
struct PinnedEnvironment : ScenarioDetector::ScopedEnvironment
{
    explicit PinnedEnvironment(QDate today = QDate(2025, 6, 15),
                               QString language = QStringLiteral("zh-Hans"))
        : ScenarioDetector::ScopedEnvironment(ScenarioDetector::Environment{
            [today] { return today; }, [language] { return language; }})
    {
    }
};
