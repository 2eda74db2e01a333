#pragma once

#include "Extractor.h"
#include "Namer.h"
#include "Proposal.h"
#include "ScenarioMatch.h"

#include <QString>

#include <optional>

// The naming decision: which name one file should carry. A name is proposed only from
// text that was actually read; otherwise the current name is kept and the reason says why.
namespace Core {

// The confidence text of a kept name when the content could not be judged.
inline const QString noJudgement = QString(QChar(0x2014));

// Reads the file, refuses unreadable, garbled or not-downloaded content, names a
// recognised document through the user's naming template and otherwise asks the naming
// engines. Never touches the file and never fails. It blocks (extraction, recognition,
// model calls): run it on a worker thread, never on the GUI thread.
Proposal propose(const QString &path, const QString &model, bool allowDownload);
// The same for a file already read: `extraction` is what was read from it, `match` the
// scenario detected in that text. Blocks while the engines are asked.
Proposal proposeRead(const QString &path, const Extraction &extraction, const ScenarioMatch &match,
                     const QString &model);

// The steps of propose() after extraction and detection, exposed so each rule can be
// checked on its own.

// A kept name for the reasons that come before detection (placeholder, too little text,
// garbled text); none when the text may go on to detection.
std::optional<Proposal> keptBeforeDetection(const QString &path, const Extraction &extraction);
// The proposal for a recognised document (kind not unknown).
Proposal fromScenario(const QString &path, const ScenarioMatch &match);
// The proposal from an engine's answer (none: the engines gave no answer). `fileDate` is
// the file's own date, used when the answer has no well-formed date.
Proposal fromEngine(const QString &path, const std::optional<Named> &answer,
                    const Extraction &extraction, const QString &fileDate);
// An engine's name body made safe for a file name: path and shell characters become
// spaces, runs of spaces collapse, spaces become "_", at most 80 characters.
QString cleanEngineName(const QString &name);

} // namespace Core
