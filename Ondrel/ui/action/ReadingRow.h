#pragma once

#include "kit/Widgets.h"

class QLabel;
class QProgressBar;

// The "AI is reading this file" row that stands in for a result while it is worked out:
// a small busy bar and a caption on a light purple rounded fill, as wide as the column.
class ReadingRow : public Kit::Card
{
    Q_OBJECT

public:
    explicit ReadingRow(QWidget *parent = nullptr);

private:
    QProgressBar *m_busy;
    QLabel *m_text;
};
