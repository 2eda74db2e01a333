#pragma once

#include <QString>

// A proposed new name for one file, as the naming decision makes it.
struct Proposal
{
    QString path; // the file the proposal is for
    QString oldName;
    QString newName;
    QString confidence; // same vocabulary as FileItem::conf
    QString reason;
    bool changed = false; // the proposed name differs from the current one

    bool operator==(const Proposal &) const = default;
};
