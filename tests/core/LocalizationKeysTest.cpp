// Every text the sources pass to L("...") or mark with LKey("...") needs an English entry.
#include "StringsTable.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// The text of a C++ string literal's body, with its escapes undone.
QString unescape(const QString &body)
{
    QString out;
    for (qsizetype i = 0; i < body.size(); ++i) {
        if (body[i] != u'\\' || i + 1 == body.size()) {
            out += body[i];
            continue;
        }
        const QChar e = body[++i];
        out += e == u'n' ? QChar(u'\n') : e == u't' ? QChar(u'\t') : e;
    }
    return out;
}

TEST(LocalizationKeys, EveryKeyOfTheSourcesHasAnEnglishText)
{
    const QString source = QStringLiteral(MAROVEL_SOURCE_DIR);
    const auto table = StringsTable::load(source + "/Resources/en.lproj/Localizable.strings");
    ASSERT_TRUE(table) << "the English table does not parse";

    static const QRegularExpression use(
        QStringLiteral(R"((?<![A-Za-z0-9_])(?:L|LKey)\(\s*"((?:[^"\\]|\\.)*)\")"));
    QStringList missing;
    int found = 0;
    for (const char *folder : {"MarovelCore", "marovel_mcp", "Ondrel", "LlamaBridge"}) {
        QDirIterator it(source + "/" + folder, {"*.cpp", "*.h"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            for (auto m = use.globalMatch(text); m.hasNext();) {
                const QString key = unescape(m.next().captured(1));
                ++found;
                if (!table->contains(key))
                    missing << QStringLiteral("%1: %2").arg(it.fileName(), key);
            }
        }
    }
    EXPECT_GT(found, 10);
    EXPECT_TRUE(missing.isEmpty()) << missing.join(u'\n').toStdString();
}

TEST(LocalizationKeys, EnglishTranslationsTakeTheSameArguments)
{
    // Checked by Loc at run time too; here a wrong table entry fails the build's tests.
    const auto table = StringsTable::load(QStringLiteral(MAROVEL_SOURCE_DIR)
                                          + "/Resources/en.lproj/Localizable.strings");
    ASSERT_TRUE(table);
    static const QRegularExpression placeholder(QStringLiteral(R"(%(\d\$)?(\.\d+)?(l{0,2}[dif]|@))"));
    for (auto it = table->cbegin(); it != table->cend(); ++it) {
        auto kinds = [](const QString &text) {
            QStringList list;
            for (auto m = placeholder.globalMatch(text); m.hasNext();)
                list << m.next().captured(3).right(1);
            list.sort();
            return list;
        };
        EXPECT_EQ(kinds(it.key()), kinds(it.value())) << it.key().toStdString();
    }
}

} // namespace
