#include "Fixture.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

namespace Shots::Fixture {

namespace {

// A one-page PDF whose text layer holds `lines` (Helvetica, Latin-1).
QByteArray textPdf(const QStringList &lines)
{
    QByteArray content = "BT /F1 12 Tf 40 160 Td 16 TL\n";
    for (const QString &line : lines) {
        QByteArray text = line.toLatin1();
        text.replace('\\', "\\\\").replace('(', "\\(").replace(')', "\\)");
        content += "(" + text + ") Tj T*\n";
    }
    content += "ET";
    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && file.write(bytes) == bytes.size();
}

} // namespace

QStringList create(const QString &folder)
{
    const QDir dir(folder);
    const QString longName = QStringLiteral(
        "Quarterly report of the regional office with every appendix and the signed minutes of the meeting.pdf");
    const QList<std::pair<QString, QByteArray>> files = {
        {QStringLiteral("Invoice 2024-03-01.pdf"),
         textPdf({QStringLiteral("INVOICE No. 2024-0301"), QStringLiteral("Example Trading Ltd."),
                  QStringLiteral("Total: 128.00 EUR"), QStringLiteral("Date: 2024-03-01")})},
        {QStringLiteral("<b>x.pdf"), textPdf({QStringLiteral("<b>x</b> is not markup")})},
        {QStringLiteral("a & b.txt"), "Tom & Jerry\n"},
        {QStringLiteral("notes.txt"), "Shopping list\nmilk\nbread\n"},
        {QStringLiteral("二〇二四年度个人所得税综合所得汇算清缴申报表（最终确认版本）.txt"), "个人所得税\n"},
        {QStringLiteral("会议纪要.txt"), "会议纪要\n时间：2024年3月1日\n"},
        {longName, textPdf({QStringLiteral("Quarterly report")})},
    };
    QStringList names;
    for (const auto &[name, bytes] : files) {
        if (!write(dir.filePath(name), bytes))
            return {};
        names << name;
    }
    QImage image(320, 200, QImage::Format_RGB32);
    image.fill(QColor(0x4a, 0x90, 0xd9));
    {
        QPainter p(&image);
        p.fillRect(40, 40, 240, 120, QColor(0xf5, 0xc2, 0x42));
    }
    if (!image.save(dir.filePath(QStringLiteral("photo.png"))))
        return {};
    names << QStringLiteral("photo.png");
    if (!dir.mkdir(QStringLiteral("a & b")))
        return {};
    names << QStringLiteral("a & b");
    return names;
}

QStringList favorites()
{
    return {QDir::homePath()};
}

} // namespace Shots::Fixture
