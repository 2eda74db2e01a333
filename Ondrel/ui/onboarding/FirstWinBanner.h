#pragma once

#include "kit/Widgets.h"

#include <functional>

class ProminentButton;
class QLabel;
class QToolButton;

// A one-line cobalt banner across the window that offers the sample demo once the local
// model is ready: "试试" runs `onTry`, the close glyph `onDismiss`. It never hides itself;
// its owner removes it.
class FirstWinBanner : public Kit::Card
{
    Q_OBJECT

public:
    explicit FirstWinBanner(std::function<void()> onTry = {}, std::function<void()> onDismiss = {},
                            QWidget *parent = nullptr);

    void setOnTry(std::function<void()> onTry) { m_onTry = std::move(onTry); }
    void setOnDismiss(std::function<void()> onDismiss) { m_onDismiss = std::move(onDismiss); }

private:
    std::function<void()> m_onTry;
    std::function<void()> m_onDismiss;
};
