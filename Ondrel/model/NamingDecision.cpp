#include "NamingDecision.h"

#include "Localization.h"
#include "NamingCore.h"
#include "NamingTemplate.h"
#include "ScenarioDetection.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace Core {

namespace {

qsizetype graphemeCount(const QString &text)
{
    qsizetype count = 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

QString fileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

// The text after the last "." of the name, case kept; empty without one, or for a name
// that only starts with one.
QString extensionOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot + 1) : QString();
}

Proposal kept(const QString &path, const QString &confidence, const QString &reason)
{
    const QString name = fileName(path);
    return Proposal{path, name, name, confidence, reason, false};
}

Proposal named(const QString &path, const QString &newName, const QString &confidence,
               const QString &reason)
{
    const QString name = fileName(path);
    return Proposal{path, name, newName, confidence, reason, newName != name};
}

QString trimmed(const QString &text, QStringView chars)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && chars.contains(text[start]))
        ++start;
    while (end > start && chars.contains(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

} // namespace

std::optional<Proposal> keptBeforeDetection(const QString &path, const Extraction &extraction)
{
    if (extraction.source == ContentSource::online)
        return kept(path, noJudgement, L("☁︎ 在线文件 · 未下载正文（需要时右键「下载并读内容起名」）"));
    if (graphemeCount(extraction.text) < 4)
        return kept(path, noJudgement, L("内容为空/无法读取，保留原名"));
    if (garbled(extraction.text))
        return kept(path, noJudgement, L("抽取疑似乱码，保留原名（不让模型瞎编）"));
    return std::nullopt;
}

Proposal fromScenario(const QString &path, const ScenarioMatch &match)
{
    const QString confidence = ScenarioMatch::rawValue(match.conf);
    if (match.renameReady && !match.base.isEmpty()) {
        const QString newName = NamingTemplate::loadOrMigrate().render(
            match.base, match.datePrefix, extensionOf(fileName(path)));
        if (newName != fileName(path))
            return named(path, newName, confidence, match.recognized);
        return kept(path, confidence,
                    match.recognized.isEmpty() ? L("已是合适的名字") : match.recognized);
    }
    if (!match.recognized.isEmpty())
        return kept(path, confidence, L("%@（读不准，已保留原名）", match.recognized));
    return kept(path, confidence, L("读不准，已保留原名"));
}

QString cleanEngineName(const QString &name)
{
    QString text = name.trimmed();
    text = trimmed(text, u".");
    static const QString unsafe = QStringLiteral("\\/:*?\"<>|\n\r\t");
    for (QChar &c : text) {
        if (unsafe.contains(c))
            c = QLatin1Char(' ');
    }
    while (text.contains(QLatin1String("  ")))
        text.replace(QLatin1String("  "), QLatin1String(" "));
    text = trimmed(text, u" \t");
    text.replace(QLatin1Char(' '), QLatin1Char('_'));
    if (graphemeCount(text) > 80)
        text = Extractor::cut(text, 80);
    return trimmed(text, u"_");
}

Proposal fromEngine(const QString &path, const std::optional<Named> &answer,
                    const Extraction &extraction, const QString &fileDate)
{
    if (!answer)
        return kept(path, noJudgement, L("没读出可命名的内容，保留原名"));
    const QString base = cleanEngineName(answer->name.value_or(QString()));
    if (base.isEmpty())
        return kept(path, noJudgement, answer->reason ? *answer->reason : L("模型判断无法命名，保留原名"));

    static const QStringList labels{QStringLiteral("high"), QStringLiteral("medium"),
                                    QStringLiteral("low")};
    QString confidence = answer->confidence.value_or(QString());
    if (!labels.contains(confidence))
        confidence = QStringLiteral("low");
    if (extraction.source == ContentSource::metadata || extraction.source == ContentSource::skip
        || graphemeCount(extraction.text) < 30)
        confidence = QStringLiteral("low");

    // Anchored at the very end: "$" alone would also accept a date followed by a line
    // feed, which would then end up inside the file name.
    static const QRegularExpression isoDate(
        QRegularExpression::anchoredPattern(QStringLiteral("\\d{4}-\\d{2}-\\d{2}")));
    const QString given = trimmed(answer->date.value_or(QString()), u" \t");
    // \d also matches other scripts' digits; a file name wants ASCII ones.
    const bool ascii = std::all_of(given.begin(), given.end(), [](QChar c) { return c.unicode() < 128; });
    const QString date = ascii && isoDate.match(given).hasMatch() ? given : fileDate;

    const QString newName = NamingTemplate::loadOrMigrate().render(
        base, date, extensionOf(fileName(path)));
    if (newName != fileName(path))
        return named(path, newName, confidence, answer->reason.value_or(QString()));
    return kept(path, confidence, answer->reason ? *answer->reason : L("已是合适的名字"));
}

Proposal propose(const QString &path, const QString &model, bool allowDownload)
{
    const Extraction extraction = Extractor::extract(path, allowDownload);
    if (auto early = keptBeforeDetection(path, extraction))
        return *early;
    const ScenarioMatch match = ScenarioDetector::detect(path, extraction.text, extraction.source, model);
    return proposeRead(path, extraction, match, model);
}

Proposal proposeRead(const QString &path, const Extraction &extraction, const ScenarioMatch &match,
                     const QString &model)
{
    if (auto early = keptBeforeDetection(path, extraction))
        return *early;
    if (match.kind != ScenarioKind::unknown)
        return fromScenario(path, match);
    const QString name = fileName(path);
    const QString date = fileDate(path);
    const auto answer = Namer::name(name, extensionOf(name), date, extraction.source,
                                    extraction.text, model);
    return fromEngine(path, answer, extraction, date);
}

} // namespace Core
