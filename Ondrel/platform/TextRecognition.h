#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <chrono>

// Optical character recognition of one bitmap through tesseract's LSTM engine.
//
// The recognition languages follow the interface language: English first when it is
// "en", else simplified Chinese first. Tesseract mixes scripts badly when every language
// is loaded at once (simplified text comes back in traditional forms, Chinese lines as
// Cyrillic), so each preferred language is tried as its own pass together with English,
// in the order of preference. The first pass that loads reads the whole image; when its
// mean word confidence stays under confidentPass, the later passes read its two weakest
// lines, and the first that reads them clearly better (Japanese kana, Cyrillic) reads the
// whole image and wins if it is more confident overall. Chinese is read by one model only,
// the first that loads: the simplified and the traditional model each read the other's
// script with the same confidence, in their own characters, so confidence cannot choose
// between them.
//
// Each thread keeps its own engines and reuses them; a recognition runs on the calling
// thread and stops at its deadline (tesseract checks the deadline as it goes, nothing
// is left running). Call it from a worker thread, never the GUI thread.
namespace TextRecognition {

inline constexpr std::chrono::milliseconds timeLimit{10000};
inline constexpr int confidentPass = 90;

// The recognition languages in order of preference, as language identifiers
// ("en-US", "zh-Hans", "zh-Hant", "ja-JP", "ru-RU").
QStringList languages(const QString &interfaceLanguage);
// Tesseract's data name of a language identifier ("zh-Hans" → "chi_sim"), empty if none.
QString tesseractName(const QString &language);
// The passes, in order: each preferred language other than English joined with English,
// the two in their order of preference ("chi_sim+eng", "chi_tra+eng", "eng+jpn",
// "eng+rus"; "eng+chi_sim", ... when English comes first).
QStringList passes(const QString &interfaceLanguage);

// The recognised text lines joined by line breaks, each line trimmed, empty lines left
// out, spaces between CJK characters (and between a digit and a CJK character) removed. Empty text
// for a null or tiny image, a failure (logged as "Marovel: OCR 失败 ...") or when the first pass
// runs past the limit (logged as "Marovel: OCR 超时(>10s)，跳过内容读取"). Uses the interface
// language that Loc reports.
QString recognize(const QImage &image, std::chrono::milliseconds limit = timeLimit);
QString recognize(const QImage &image, const QString &interfaceLanguage,
                  std::chrono::milliseconds limit = timeLimit);

// Stops recognitions in progress and refuses new ones (application shutdown): they end
// at their next word and give empty text, without a log line.
void stopAll();
bool stopped();

// Removes single spaces between two CJK characters (ideographs, kana, CJK punctuation,
// full-width forms) or between a digit and such a character: tesseract puts spaces
// between Chinese characters and around the numbers of dates ("2024 年 03 月"). A wider
// gap stays: it separates two columns.
QString joinCjk(const QString &line);

} // namespace TextRecognition
