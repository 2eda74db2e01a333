#pragma once

#include <QPushButton>

// The one emphasised button of a sheet or banner: filled with the onboarding's cobalt, white
// text, rounded; dimmed while disabled. An icon, when set, leads the text. Large adds
// height for a sheet's main action.
class ProminentButton : public QPushButton
{
    Q_OBJECT

public:
    explicit ProminentButton(QWidget *parent = nullptr);

    void setLarge(bool large);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_large = false;
};
