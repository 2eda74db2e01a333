#pragma once

#include <QUrl>

#include <functional>

class SheetPresenter;

// The content search as one of a window's sheets: shown over the shared content index
// while the window's `showContentSearch` flag is set.
namespace ContentSearchSheet {

struct Actions
{
    // "定位": shows the file in the browser window.
    std::function<void(const QUrl &)> locate;
    // "打开设置并开启": opens the settings window; without it the button is hidden.
    std::function<void()> openSettings;
};

void add(SheetPresenter &sheets, Actions actions);

} // namespace ContentSearchSheet
