#pragma once

class QDialog;
class QHBoxLayout;
class QPushButton;
class QVBoxLayout;

// The frame every small sheet shares.
namespace SheetLayout {

// The sheet's one column: 20 around, wide spacing between rows, the sheet as large as its
// content.
QVBoxLayout *column(QDialog *sheet);
// The closing row at the trailing edge: `cancel`, then `accept`, the button Return presses.
QHBoxLayout *buttonRow(QPushButton *cancel, QPushButton *accept);

} // namespace SheetLayout
