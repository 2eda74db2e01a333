#pragma once

#include "Localization.h"

#include <QString>

#include <optional>

// Sets the interface language for one test and gives the system's choice back after it.
struct ScopedLanguage
{
    explicit ScopedLanguage(const QString &language) { Loc::shared().setOverride(language); }
    ~ScopedLanguage() { Loc::shared().setOverride(std::nullopt); }
    void set(const QString &language) { Loc::shared().setOverride(language); }
};
