#include "SystemModel.h"

#include "TextUtil.h"

namespace SystemModel {

const QString nameSlotDescription = QStringLiteral(
    "简洁、信息密度高的文件名主体，语言跟随内容，不含日期、不含扩展名、不含标点符号");

bool isAvailable()
{
    return false;
}

QString instructions(const QString &language)
{
    const bool english = language == QStringLiteral("en");
    return QStringLiteral("你是文件信息提取助手。只输出答案本身（公司名/标题/主题等真实内容），"
                          "绝不解释、绝不复述问题。答案语言跟随内容语言：中文内容用中文，"
                          "英文内容用英文、不要翻成中文；判断不了时用")
           + (english ? QStringLiteral("English") : QStringLiteral("中文"))
           + QStringLiteral("。长度控制在")
           + (english ? QStringLiteral("2 to 48 characters") : QStringLiteral("2 到 24 个字"))
           + QStringLiteral("。内容若乱码读不懂，name 返回空字符串。");
}

QString prompt(const QString &question, const QString &snippet)
{
    return question + QStringLiteral("\n内容片段：\n") + TextUtil::graphemePrefix(snippet, 1500);
}

std::optional<QString> cleanAnswer(const QString &name, const QString &language)
{
    static const QString removed = QStringLiteral("\"\\{}:<>\n\r\t");
    QString text;
    text.reserve(name.size());
    for (QChar c : name) {
        if (!removed.contains(c))
            text += c;
    }
    text = text.trimmed();
    text = TextUtil::graphemePrefix(text, language == QStringLiteral("en") ? 48 : 24).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

std::optional<QString> describe(const QString &question, const QString &snippet)
{
    if (!isAvailable())
        return std::nullopt;
    // A platform with an on-device model would open a session with
    // instructions(ScenarioDetector::uiLanguage()), send prompt(question, snippet), ask
    // for the one field described by nameSlotDescription and pass it to cleanAnswer().
    Q_UNUSED(question);
    Q_UNUSED(snippet);
    return std::nullopt;
}

} // namespace SystemModel
