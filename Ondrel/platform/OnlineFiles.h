#pragma once

#include <QString>

#include <functional>

// Whether a file is a cloud placeholder whose content is not on this disk. No Linux file
// system marks files so: the answer is false, unless a query was installed (tests install
// one so the callers' placeholder paths stay exercised).
namespace OnlineFiles {

using Query = std::function<bool(const QString &path)>;

bool isOnlineOnly(const QString &path);

// The installed query, or an empty function when the platform default (false) applies;
// callers that ask for many files take it once.
Query query();
// Installs `query`; an empty function restores the platform default.
void setQuery(Query query);

} // namespace OnlineFiles
