#include "SheetLayout.h"

#include "kit/Style.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace SheetLayout {

QVBoxLayout *column(QDialog *sheet)
{
    auto *layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(Kit::Space::wide);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return layout;
}

QHBoxLayout *buttonRow(QPushButton *cancel, QPushButton *accept)
{
    cancel->setAutoDefault(false);
    accept->setDefault(true);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(cancel);
    row->addWidget(accept);
    return row;
}

} // namespace SheetLayout
