#pragma once

#include "DemoItem.h"

#include <QWidget>

class QCheckBox;
class QLabel;

namespace Kit {
class ElidingLabel;
}

// One proposal of the demo: a check box that says whether it is applied, what was
// recognised, and the old name struck through beside the new one. Both names elide in
// the middle, with the full name as tooltip when cut.
class DemoRow : public QWidget
{
    Q_OBJECT

public:
    explicit DemoRow(const DemoItem &item, QWidget *parent = nullptr);

    QUuid id() const { return m_id; }
    // Shows the item's texts and choice (the same id).
    void setItem(const DemoItem &item);

signals:
    void acceptToggled(const QUuid &id, bool accept);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QUuid m_id;
    QCheckBox *m_accept;
    Kit::ElidingLabel *m_recognized;
    Kit::ElidingLabel *m_oldName;
    Kit::ElidingLabel *m_newName;
};
