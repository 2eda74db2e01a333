#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QUuid>

// How a step's pairs are reversed.
enum class Reversal {
    MoveBack,         // each `to` moves back to its `from` (renames, moves, filing, drops)
    RestoreFromTrash, // each trashed `to` goes back to its `from`
    TrashCopies,      // each copy `to` goes to the trash; its `from` was never touched
};

// One entry of a window's undo stack: a name for the Undo command, the pairs the operation
// did (from, to) in the order it did them, and how they are reversed. A plain value: the
// one undo engine (UndoEngine.h) runs every kind of step.
struct UndoStep
{
    using Pair = QPair<QString, QString>;

    QUuid id = QUuid::createUuid();
    QString name;
    Reversal reversal = Reversal::MoveBack;
    QList<Pair> pairs;
};
