#pragma once

#include <QWidget>

// A thin capsule track with a cobalt capsule over it, as wide as the value says: the value
// is clamped to 0…1, and a value that is not a finite number draws nothing.
class OnboardingProgressBar : public QWidget
{
    Q_OBJECT

public:
    explicit OnboardingProgressBar(QWidget *parent = nullptr);

    double value() const { return m_value; }
    void setValue(double value);
    // The part of the width that is filled: the value clamped to 0…1, 0 when not finite.
    double filled() const;

    QSize sizeHint() const override { return {120, height}; }
    QSize minimumSizeHint() const override { return {0, height}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    static constexpr int height = 6;
    double m_value = 0;
};
