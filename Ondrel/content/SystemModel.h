#pragma once

#include <QString>

#include <optional>

// The operating system's own on-device language model as a naming engine. Linux offers no
// such model, so isAvailable() is false and describe() answers nothing at once; the engine
// order of Namer then moves on to the in-process model. What the engine sends and how it
// cleans an answer are kept as pure functions, ready for a platform that has one.
namespace SystemModel {

// The description of the one field the model is asked to fill ("name").
extern const QString nameSlotDescription;

// Whether the platform's on-device model can answer now. Always false on Linux.
bool isAvailable();

// The session instructions for an interface language ("en" or another code).
QString instructions(const QString &language);
// The question, "\n内容片段：\n" and the first 1500 characters of the snippet.
QString prompt(const QString &question, const QString &snippet);
// A generated name made safe for a file name: quotes, backslashes, braces, colons, angle
// brackets, line breaks and tabs deleted, trimmed, cut to 48 characters for "en" and 24
// otherwise, trimmed again. Nothing when empty.
std::optional<QString> cleanAnswer(const QString &name, const QString &language);

// A short answer about the snippet, or nothing (always nothing when unavailable).
std::optional<QString> describe(const QString &question, const QString &snippet);

} // namespace SystemModel
