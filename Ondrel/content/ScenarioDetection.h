#pragma once

#include "ScenarioDetector.h"
#include "ScenarioMatch.h"

#include <QString>

#include <functional>
#include <optional>

namespace ScenarioDetector {

// Asks a language model one short question about a document and returns its one-value
// answer: the instruction, the document text, the model name chosen by the user. Absent
// (or empty) when no engine answered. It blocks the calling thread until the engine is
// done, and the detector calls it on whatever thread detection runs on, so it must be safe
// to call from several worker threads at once. An empty function is an engine that never
// answers.
using Describe = std::function<std::optional<QString>(
    const QString &instruction, const QString &text, const QString &model)>;

// Decides which kind of document a file is, from its name, its extension and the text the
// extractor read from it, and fills in a complete ScenarioMatch: base name, date, folder,
// bucket words, readiness flags, the two sentences, signal strength and confidence.
//
// `path` is the file (its name and extension are read, and for images its metadata);
// `text` and `source` are what the extractor returned (ContentSource labels); `model` is
// handed to `describe` unchanged. At most one model question is asked per call (an
// invoice without a seller, a contract without a title, a paper, a screenshot, a document
// without a title line), and an answer is used only when the document text bears it out.
//
// Blocking (it waits for `describe`), stateless and safe to run on several threads at once.
// It never fails: an unrecognised file is kind `unknown`.
ScenarioMatch detect(const QString &path, const QString &text, const QString &source,
                     const QString &model, const Describe &describe);

// The same with the naming engines (Namer::describe) answering the model questions: the
// form the browser, the proposal builder and the watch agent call, on worker threads.
ScenarioMatch detect(const QString &path, const QString &text, const QString &source,
                     const QString &model);

// The questions put to the model, exactly as asked.
namespace Instruction {
QString invoiceSeller();
QString contractTitle();
QString paperAuthorTitle();
QString screenshotTopic(); // in the interface language (uiLanguage())
QString documentSummary();
} // namespace Instruction

// ---------------------------------------------------------------------------------------
// The text as the rules read it.

// Text the field finders read: full-width letters, digits and signs folded to ASCII,
// ligatures split, unusual spaces made plain and invisible characters removed, curly
// apostrophes and dashes made plain, and the spaces that text recognition puts between
// Chinese characters (and between them and digits) taken out: "发 票" reads "发票",
// "2024 年 3 月" reads "2024年3月".
QString readingText(const QString &text);

// Text the keyword lists are matched against: readingText() with letter-spaced words
// joined ("I N V O I C E" reads "INVOICE") and the traditional forms of the characters the
// keyword lists use folded to simplified ones ("發票" reads "发票").
QString keywordText(const QString &text);

// A folder hint made safe to create below the current folder: "/"-separated components,
// without empty, "." or ".." components and without leading dots.
QString safeFolder(const QString &hint);

} // namespace ScenarioDetector
