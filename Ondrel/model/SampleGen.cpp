#include "SampleGen.h"

#include "FileSystem.h"
#include "Localization.h"
#include "TextPdf.h"

#include <QDir>
#include <QFileInfo>
#include <QUuid>

namespace {

bool english()
{
    return Loc::shared().language() == u"en";
}

struct Sample
{
    QString name;
    QStringList lines;
};

// The paper's title page is the same in both sets; its authors are invented.
const QStringList paper = {
    QStringLiteral("Attention Is All You Need"),
    QStringLiteral("Mirela Castavet, Joren Pfalzgraf, Ines Valdoroux, Tobiah Kennerly"),
    QStringLiteral("arXiv:1706.03762"),
    QStringLiteral("Abstract"),
    QStringLiteral("The dominant sequence transduction models are based on complex recurrent or "
                   "convolutional neural networks..."),
    QStringLiteral("References"),
    QStringLiteral("[1] ..."),
};

QList<Sample> englishSet()
{
    return {
        {QStringLiteral("Scan_001.pdf"),
         {QStringLiteral("IKEA US LLC"), QStringLiteral("Invoice"),
          QStringLiteral("Invoice No. 24317000000123456"), QStringLiteral("Invoice Date: 2026-06-18"),
          QStringLiteral("Item: BILLY Bookcase"), QStringLiteral("Total USD $1,280.00"),
          QStringLiteral("Tax ID 91-3100000XXXXXXXX1A")}},
        {QStringLiteral("download.pdf"), paper},
        {QStringLiteral("untitled.txt"),
         {QStringLiteral("Payment Confirmation"), QStringLiteral("Transfer Successful"),
          QStringLiteral("Payee: Dorian Vessaly"), QStringLiteral("Amount $3,500.00"),
          QStringLiteral("Paid at 2026-06-20 14:32")}},
        {QStringLiteral("download (3).pdf"),
         {QStringLiteral("E-Ticket Itinerary"), QStringLiteral("United Airlines UA1501"),
          QStringLiteral("San Francisco (SFO) — New York (JFK)"),
          QStringLiteral("Departure 2026-07-03 08:25"), QStringLiteral("Seat 12A")}},
    };
}

QList<Sample> chineseSet()
{
    return {
        {QStringLiteral("扫描件_001.pdf"),
         {QStringLiteral("上海宜家家居有限公司"), QStringLiteral("电子发票"),
          QStringLiteral("发票号码 24317000000123456"), QStringLiteral("开票日期：2026-06-18"),
          QStringLiteral("货物或应税劳务名称：BILLY 书柜"), QStringLiteral("价税合计（小写）¥1280.00"),
          QStringLiteral("纳税人识别号 91310000XXXXXXXX1A")}},
        {QStringLiteral("下载 (3).pdf"), paper},
        {QStringLiteral("新建文本文档.txt"),
         {QStringLiteral("微信支付"), QStringLiteral("转账成功"), QStringLiteral("收款方：闵律师"),
          QStringLiteral("金额 ¥3500.00"), QStringLiteral("支付时间 2026-06-20 14:32")}},
        {QStringLiteral("未命名.txt"),
         {QStringLiteral("电子客票行程单"), QStringLiteral("中国国航 CA1501"),
          QStringLiteral("北京首都 — 上海虹桥"), QStringLiteral("出发日期 2026-07-03 08:25"),
          QStringLiteral("座位 12A")}},
    };
}

} // namespace

QString SampleGen::makeDir()
{
    const QString prefix = english() ? QStringLiteral("Marovel Sample-") : QStringLiteral("Marovel 示例-");
    // The first group of a new UUID: eight upper-case hexadecimal digits.
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).left(8).toUpper();
    const QString path = QDir(QDir::tempPath()).filePath(prefix + id);
    QDir().mkpath(path); // a failure leaves a path to a missing folder, which callers accept
    return path;
}

QStringList SampleGen::fill(const QString &dir)
{
    QStringList paths;
    for (const Sample &sample : english() ? englishSet() : chineseSet()) {
        const QString text = sample.lines.join(u'\n');
        if (sample.name.endsWith(u".pdf")) {
            paths << pdf(dir, sample.name, text);
        } else {
            const QString path = QDir(dir).filePath(sample.name);
            FileSystem::writeNew(path, text.toUtf8()); // a failure leaves a missing file
            paths << path;
        }
    }
    return paths;
}

QString SampleGen::pdf(const QString &dir, const QString &name, const QString &text)
{
    const QString path = QDir(dir).filePath(name);
    if (FileSystem::writeNew(path, TextPdf::page(text)) == 0)
        return path;
    const QString fallback = QDir(dir).filePath(QFileInfo(name).completeBaseName() + QStringLiteral(".txt"));
    FileSystem::writeNew(fallback, text.toUtf8());
    return fallback;
}
