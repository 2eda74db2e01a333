// The text as the detection rules read it: what extraction and text recognition leave
// behind (full-width forms, ligatures, odd spaces, spaced-out Chinese) folded away, so the
// same document reads the same however it was typeset or recognised.
#include "ScenarioDetection.h"

#include <QHash>

namespace ScenarioDetector {

namespace {

bool isHan(char16_t c)
{
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF);
}

// Ideographs and CJK punctuation (、。《》「」『』【】 and the like).
bool isCjk(char16_t c)
{
    return isHan(c) || (c >= 0x3001 && c <= 0x303F);
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isHorizontalSpace(char16_t c)
{
    return c == u' ' || c == u'\t';
}

// One character of the reading text; `out` gets what stands for it (nothing, one or more
// characters).
void foldCharacter(char16_t c, QString &out)
{
    if (c >= 0xFF01 && c <= 0xFF5E) { // full-width ASCII
        out += QChar(char16_t(c - 0xFF01 + 0x21));
        return;
    }
    switch (c) {
    case 0xFFE5: // full-width yen sign
        out += QChar(char16_t(0x00A5));
        return;
    case 0xFFE0:
        out += QChar(char16_t(0x00A2));
        return;
    case 0xFFE1:
        out += QChar(char16_t(0x00A3));
        return;
    case 0x00A0: case 0x2000: case 0x2001: case 0x2002: case 0x2003: case 0x2004:
    case 0x2005: case 0x2006: case 0x2007: case 0x2008: case 0x2009: case 0x200A:
    case 0x202F: case 0x205F: case 0x3000:
        out += u' ';
        return;
    case 0x00AD: case 0x200B: case 0x200C: case 0x200D: case 0x2060: case 0xFEFF:
        return; // invisible
    case 0x2018: case 0x2019: case 0x02BC: case 0x2032:
        out += u'\'';
        return;
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2212: case 0xFE63:
        out += u'-';
        return;
    case 0xFB00:
        out += QLatin1String("ff");
        return;
    case 0xFB01:
        out += QLatin1String("fi");
        return;
    case 0xFB02:
        out += QLatin1String("fl");
        return;
    case 0xFB03:
        out += QLatin1String("ffi");
        return;
    case 0xFB04:
        out += QLatin1String("ffl");
        return;
    case 0xFB05: case 0xFB06:
        out += QLatin1String("st");
        return;
    default:
        out += QChar(c);
    }
}

// Whether the spaces between `before` and `after` are recognition noise: both sides
// Chinese, or Chinese on one side and a digit on the other.
bool dropSpacesBetween(char16_t before, char16_t after)
{
    if (isCjk(before) && isCjk(after))
        return true;
    return (isHan(before) && isDigit(after)) || (isDigit(before) && isHan(after));
}

// Joins words set with a space after every letter: "I N V O I C E" → "INVOICE". Runs of at
// least four single letters, each followed by exactly one space, and standing apart from
// other letters and digits.
QString joinLetterSpaced(const QString &text)
{
    const qsizetype n = text.size();
    QString out;
    out.reserve(n);
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = text[i].unicode();
        const bool startsRun = isAsciiLetter(c)
                               && (i == 0 || !(text[i - 1].isLetterOrNumber()))
                               && i + 1 < n && text[i + 1] == u' ';
        if (startsRun) {
            qsizetype end = i; // last letter of the run
            qsizetype letters = 1;
            while (end + 2 < n && text[end + 1] == u' ' && isAsciiLetter(text[end + 2].unicode())
                   && (end + 3 >= n || !text[end + 3].isLetterOrNumber())) {
                end += 2;
                ++letters;
            }
            if (letters >= 4) {
                for (qsizetype k = i; k <= end; k += 2)
                    out += text[k];
                i = end + 1;
                continue;
            }
        }
        out += text[i];
        ++i;
    }
    return out;
}

// Traditional forms of the characters that the keyword lists, the lookup tables and the
// labels the rules look for are written with.
const QHash<char16_t, char16_t> &simplifiedForms()
{
    static const QHash<char16_t, char16_t> table = [] {
        const char16_t pairs[][2] = {
            {u'證', u'证'}, {u'護', u'护'}, {u'駕', u'驾'}, {u'駛', u'驶'}, {u'簽', u'签'},
            {u'發', u'发'}, {u'機', u'机'}, {u'關', u'关'}, {u'別', u'别'}, {u'轉', u'转'},
            {u'賬', u'账'}, {u'帳', u'账'}, {u'憑', u'凭'}, {u'稅', u'税'}, {u'價', u'价'},
            {u'納', u'纳'}, {u'識', u'识'}, {u'號', u'号'}, {u'購', u'购'}, {u'買', u'买'},
            {u'銷', u'销'}, {u'賣', u'卖'}, {u'開', u'开'}, {u'碼', u'码'}, {u'電', u'电'},
            {u'單', u'单'}, {u'對', u'对'}, {u'戶', u'户'}, {u'結', u'结'}, {u'協', u'协'},
            {u'議', u'议'}, {u'備', u'备'}, {u'錄', u'录'}, {u'訂', u'订'}, {u'蓋', u'盖'},
            {u'檢', u'检'}, {u'確', u'确'}, {u'認', u'认'}, {u'車', u'车'}, {u'參', u'参'},
            {u'獻', u'献'}, {u'圖', u'图'}, {u'裝', u'装'}, {u'寶', u'宝'}, {u'雲', u'云'},
            {u'閃', u'闪'}, {u'銀', u'银'}, {u'設', u'设'}, {u'國', u'国'}, {u'農', u'农'},
            {u'興', u'兴'}, {u'廣', u'广'}, {u'郵', u'邮'}, {u'東', u'东'}, {u'廈', u'厦'},
            {u'攜', u'携'}, {u'飛', u'飞'}, {u'豬', u'猪'}, {u'額', u'额'}, {u'餘', u'余'},
            {u'週', u'周'}, {u'間', u'间'}, {u'時', u'时'}, {u'區', u'区'}, {u'據', u'据'},
            {u'總', u'总'}, {u'計', u'计'}, {u'實', u'实'}, {u'應', u'应'}, {u'務', u'务'},
            {u'論', u'论'}, {u'術', u'术'}, {u'資', u'资'}, {u'費', u'费'}, {u'項', u'项'},
            {u'種', u'种'}, {u'類', u'类'}, {u'貨', u'货'}, {u'幣', u'币'}, {u'圓', u'圆'},
            {u'元', u'元'}, {u'華', u'华'}, {u'貿', u'贸'}, {u'鐵', u'铁'}, {u'運', u'运'},
            {u'輸', u'输'}, {u'場', u'场'}, {u'達', u'达'}, {u'約', u'约'}, {u'簡', u'简'},
            {u'稱', u'称'}, {u'標', u'标'}, {u'題', u'题'}, {u'詞', u'词'}, {u'鍵', u'键'},
            {u'處', u'处'}, {u'屆', u'届'}, {u'換', u'换'}, {u'現', u'现'}, {u'級', u'级'},
            {u'間', u'间'}, {u'務', u'务'}, {u'業', u'业'}, {u'際', u'际'}, {u'內', u'内'},
            {u'歸', u'归'}, {u'檔', u'档'}, {u'報', u'报'}, {u'銷', u'销'}, {u'請', u'请'},
            {u'權', u'权'}, {u'條', u'条'}, {u'責', u'责'}, {u'約', u'约'}, {u'違', u'违'},
            {u'償', u'偿'}, {u'經', u'经'}, {u'濟', u'济'}, {u'價', u'价'}, {u'會', u'会'},
            {u'員', u'员'}, {u'務', u'务'}, {u'從', u'从'}, {u'於', u'于'}, {u'與', u'与'},
            {u'為', u'为'}, {u'個', u'个'}, {u'們', u'们'}, {u'來', u'来'}, {u'樣', u'样'},
            {u'臺', u'台'}, {u'灣', u'湾'}, {u'齡', u'龄'}, {u'姓', u'姓'}, {u'籍', u'籍'},
            {u'簽', u'签'}, {u'蓋', u'盖'}, {u'摺', u'折'}, {u'餐', u'餐'}, {u'飲', u'饮'},
            {u'館', u'馆'}, {u'賓', u'宾'}, {u'廳', u'厅'}, {u'線', u'线'}, {u'綫', u'线'},
            {u'邊', u'边'}, {u'門', u'门'}, {u'問', u'问'}, {u'題', u'题'}, {u'聯', u'联'},
            {u'絡', u'络'}, {u'話', u'话'}, {u'碼', u'码'}, {u'郵', u'邮'}, {u'編', u'编'},
            {u'統', u'统'}, {u'險', u'险'}, {u'貸', u'贷'}, {u'債', u'债'}, {u'紀', u'纪'},
            {u'醫', u'医'}, {u'藥', u'药'}, {u'療', u'疗'}, {u'讓', u'让'}, {u'勞', u'劳'},
            {u'動', u'动'}, {u'僱', u'雇'}, {u'賃', u'赁'}, {u'採', u'采'}, {u'書', u'书'},
            {u'諾', u'诺'}, {u'職', u'职'}, {u'產', u'产'}, {u'營', u'营'}, {u'攝', u'摄'},
            {u'幕', u'幕'}, {u'學', u'学'}, {u'報', u'报'}, {u'聲', u'声'}, {u'頁', u'页'},
        };
        QHash<char16_t, char16_t> map;
        for (const auto &pair : pairs) {
            if (pair[0] != pair[1])
                map.insert(pair[0], pair[1]);
        }
        return map;
    }();
    return table;
}

} // namespace

QString readingText(const QString &text)
{
    QString folded;
    folded.reserve(text.size());
    for (QChar c : text)
        foldCharacter(c.unicode(), folded);

    // Single spaces that recognition puts between Chinese characters go; so do those between
    // a Chinese character and a digit ("2024 年 3 月"). A wider gap stays: it separates
    // columns ("名称：甲公司    名称：乙公司").
    QString out;
    out.reserve(folded.size());
    const qsizetype n = folded.size();
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = folded[i].unicode();
        if (isHorizontalSpace(c) && !out.isEmpty()) {
            qsizetype end = i;
            while (end < n && isHorizontalSpace(folded[end].unicode()))
                ++end;
            // One space is recognition noise; a wider gap separates two columns.
            if (end == i + 1 && end < n
                && dropSpacesBetween(out.back().unicode(), folded[end].unicode())) {
                i = end;
                continue;
            }
            out += QStringView(folded).mid(i, end - i);
            i = end;
            continue;
        }
        out += folded[i];
        ++i;
    }
    return out;
}

QString keywordText(const QString &text)
{
    QString out = joinLetterSpaced(readingText(text));
    const auto &forms = simplifiedForms();
    for (QChar &c : out) {
        const auto it = forms.constFind(c.unicode());
        if (it != forms.constEnd())
            c = QChar(*it);
    }
    // Taiwan writes the identity card 身分證.
    out.replace(QStringLiteral("身分证"), QStringLiteral("身份证"));
    return out;
}

QString safeFolder(const QString &hint)
{
    QStringList parts;
    for (QString part : hint.split(u'/')) {
        part = part.trimmed();
        while (part.startsWith(u'.'))
            part.remove(0, 1);
        part = part.trimmed();
        if (!part.isEmpty())
            parts << part;
    }
    return parts.join(u'/');
}

} // namespace ScenarioDetector
