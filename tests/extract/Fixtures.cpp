#include "Fixtures.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFont>
#include <QPainter>

#include "TextPdf.h"

#include <archive.h>
#include <archive_entry.h>

#include <map>

namespace Fixtures {

namespace {

// ---- PDF ----

const unsigned char passwordPadding[32] = {
    0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E, 0x56, 0xFF, 0xFA, 0x01, 0x08,
    0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68, 0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

QByteArray rc4(const QByteArray &key, const QByteArray &data)
{
    unsigned char s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + static_cast<unsigned char>(key[i % key.size()])) & 0xFF;
        std::swap(s[i], s[j]);
    }
    QByteArray out(data.size(), Qt::Uninitialized);
    for (qsizetype k = 0, i = 0, j = 0; k < data.size(); ++k) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        out[k] = char(data[k] ^ s[(s[i] + s[j]) & 0xFF]);
    }
    return out;
}

QByteArray padded(const QByteArray &password)
{
    QByteArray out = password.left(32);
    out.append(reinterpret_cast<const char *>(passwordPadding), 32 - out.size());
    return out;
}

QByteArray md5(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Md5);
}

QByteArray pdfString(const QString &text)
{
    // UTF-16BE with a byte-order mark, as a hexadecimal string.
    QByteArray bytes("\xFE\xFF");
    for (const QChar c : text) {
        bytes += char(c.unicode() >> 8);
        bytes += char(c.unicode() & 0xFF);
    }
    return bytes;
}

QByteArray literal(const QString &line)
{
    QByteArray out;
    for (const char c : line.toLatin1()) {
        if (c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

QByteArray num(double value)
{
    return QByteArray::number(value, 'f', 2);
}

} // namespace

void PdfBuilder::setInfo(const QString &title, const QString &subject, const QString &keywords)
{
    m_title = title;
    m_subject = subject;
    m_keywords = keywords;
}

QByteArray PdfBuilder::build() const
{
    const QByteArray fileId = md5("marovel-fixture");
    const bool encrypted = !m_userPassword.isEmpty();
    QByteArray key, ownerEntry, userEntry;
    const qint32 permissions = -44;
    if (encrypted) {
        const QByteArray ownerKey = md5(padded("owner-" + m_userPassword)).left(5);
        ownerEntry = rc4(ownerKey, padded(m_userPassword));
        QByteArray p(4, 0);
        for (int i = 0; i < 4; ++i)
            p[i] = char((quint32(permissions) >> (8 * i)) & 0xFF);
        key = md5(padded(m_userPassword) + ownerEntry + p + fileId).left(5);
        userEntry = rc4(key, QByteArray(reinterpret_cast<const char *>(passwordPadding), 32));
    }
    const auto objectKey = [&](int number) {
        QByteArray extra;
        extra += char(number & 0xFF);
        extra += char((number >> 8) & 0xFF);
        extra += char((number >> 16) & 0xFF);
        extra += char(0);
        extra += char(0);
        return md5(key + extra).left(10);
    };
    const auto stream = [&](int number, const QByteArray &entries, QByteArray data) {
        if (encrypted)
            data = rc4(objectKey(number), data);
        return TextPdf::stream(data, entries);
    };
    const auto text = [&](int number, const QString &value) {
        QByteArray bytes = pdfString(value);
        if (encrypted)
            bytes = rc4(objectKey(number), bytes);
        return "<" + bytes.toHex() + ">";
    };

    TextPdf::Objects objects;
    const int catalog = objects.add();
    const int pages = objects.add();
    int mapped = 0;
    if (!m_mapping.isEmpty()) {
        QByteArray cmap = "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
                          "/CMapName /Mapped def /CMapType 2 def\n"
                          "1 begincodespacerange <00> <FF> endcodespacerange\n" +
                          QByteArray::number(m_mapping.size()) + " beginbfchar\n";
        for (qsizetype i = 0; i < m_mapping.size(); ++i) {
            const ushort code = m_mapping[i].unicode();
            cmap += "<" + QByteArray::number(0x41 + int(i), 16).toUpper() + "> <" +
                    QByteArray::number(code, 16).rightJustified(4, '0').toUpper() + ">\n";
        }
        cmap += "endbfchar endcmap CMapName currentdict /CMap defineresource pop end end";
        const int toUnicode = objects.add();
        objects.set(toUnicode, stream(toUnicode, {}, cmap));
        mapped = objects.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /ToUnicode " +
                             QByteArray::number(toUnicode) + " 0 R >>");
    }

    // The text of every page first: the fonts carry the widths of what was drawn.
    TextPdf::Text writer;
    struct Drawn
    {
        QByteArray content, xobjects;
    };
    QList<Drawn> drawn;
    for (const Page &page : m_pages) {
        Drawn out;
        if (!page.picture.isNull()) {
            const QImage grey = page.picture.convertToFormat(QImage::Format_Grayscale8);
            QByteArray raw;
            for (int y = 0; y < grey.height(); ++y)
                raw.append(reinterpret_cast<const char *>(grey.constScanLine(y)), grey.width());
            const int image = objects.add();
            objects.set(image, stream(image,
                                      "/Type /XObject /Subtype /Image /Width " +
                                          QByteArray::number(grey.width()) + " /Height " +
                                          QByteArray::number(grey.height()) +
                                          " /ColorSpace /DeviceGray /BitsPerComponent 8 "
                                          "/Filter /FlateDecode",
                                      qCompress(raw).mid(4)));
            out.xobjects = " /XObject << /Im1 " + QByteArray::number(image) + " 0 R >>";
            out.content += "q " + num(page.size.width()) + " 0 0 " + num(page.size.height()) +
                           " 0 0 cm /Im1 Do Q\n";
        }
        // The lines in a box 10 points from the sides and one font size from top and bottom.
        const QRectF box(10, page.fontSize, page.size.width() - 20,
                         page.size.height() - 2 * page.fontSize);
        double bottom = box.top();
        if (!page.lines.isEmpty())
            out.content += writer.box(page.lines.join(u'\n'), box, page.size.height(), page.fontSize,
                                      &bottom);
        for (const Page::Placed &item : page.placed)
            out.content += writer.line(item.text,
                                       QPointF(item.at.x(), page.size.height() - item.at.y()),
                                       page.fontSize);
        if (!page.mappedLine.isEmpty()) {
            const double y = page.size.height() - bottom - page.fontSize;
            out.content += "BT /F3 " + num(page.fontSize) + " Tf " + num(page.fontSize * 1.2) + " TL " +
                           (page.mappedInvisible ? "3 Tr " : "") + "10 " + num(y) + " Td\n";
            for (const QString &line : page.mappedLine.split(u'\n'))
                out.content += "(" + literal(line) + ") Tj T*\n";
            out.content += "ET\n";
        }
        drawn << out;
    }
    QByteArray fonts = writer.addFonts(objects);
    if (mapped)
        fonts += " /F3 " + QByteArray::number(mapped) + " 0 R";

    QByteArray kids;
    for (qsizetype i = 0; i < m_pages.size(); ++i) {
        const Page &page = m_pages[i];
        const int contents = objects.add();
        objects.set(contents, stream(contents, {}, drawn[i].content));
        const int pageObject = objects.add(
            "<< /Type /Page /Parent " + QByteArray::number(pages) + " 0 R /MediaBox [0 0 " +
            num(page.size.width()) + " " + num(page.size.height()) + "] /Resources << /Font << " +
            fonts + " >>" + drawn[i].xobjects + " >> /Contents " + QByteArray::number(contents) +
            " 0 R >>");
        kids += QByteArray::number(pageObject) + " 0 R ";
    }
    objects.set(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(pages) + " 0 R >>");
    objects.set(pages, "<< /Type /Pages /Kids [" + kids + "] /Count " +
                           QByteArray::number(m_pages.size()) + " >>");

    QByteArray trailer;
    if (!m_title.isEmpty() || !m_subject.isEmpty() || !m_keywords.isEmpty()) {
        const int info = objects.add();
        QByteArray dictionary = "<<";
        if (!m_title.isEmpty())
            dictionary += " /Title " + text(info, m_title);
        if (!m_subject.isEmpty())
            dictionary += " /Subject " + text(info, m_subject);
        if (!m_keywords.isEmpty())
            dictionary += " /Keywords " + text(info, m_keywords);
        objects.set(info, dictionary + " >>");
        trailer += "/Info " + QByteArray::number(info) + " 0 R ";
    }
    if (encrypted) {
        const int encryption =
            objects.add("<< /Filter /Standard /V 1 /R 2 /O <" + ownerEntry.toHex() + "> /U <" +
                        userEntry.toHex() + "> /P " + QByteArray::number(permissions) + " >>");
        trailer += "/Encrypt " + QByteArray::number(encryption) + " 0 R ";
    }
    trailer += "/ID [<" + fileId.toHex() + "> <" + fileId.toHex() + ">]";
    return objects.file(catalog, trailer);
}

// ---- zip ----

QByteArray zip(const QList<std::pair<QString, QByteArray>> &entries)
{
    QByteArray out;
    archive *writer = archive_write_new();
    archive_write_set_format_zip(writer);
    const auto write = [](archive *, void *data, const void *buffer, size_t length) -> la_ssize_t {
        static_cast<QByteArray *>(data)->append(static_cast<const char *>(buffer),
                                                qsizetype(length));
        return la_ssize_t(length);
    };
    archive_write_set_bytes_in_last_block(writer, 1);
    archive_write_open(writer, &out, nullptr, write, nullptr);
    for (const auto &[name, bytes] : entries) {
        archive_entry *entry = archive_entry_new();
        archive_entry_set_pathname_utf8(entry, name.toUtf8().constData());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, bytes.size());
        archive_write_header(writer, entry);
        archive_write_data(writer, bytes.constData(), size_t(bytes.size()));
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
    return out;
}

// ---- binary property list ----

namespace {

class PlistWriter
{
public:
    QByteArray write(const QVariant &root)
    {
        const int top = add(root);
        QByteArray out = "bplist00";
        QList<quint64> offsets;
        for (const QByteArray &object : m_objects) {
            offsets << quint64(out.size());
            out += object;
        }
        const quint64 tableAt = quint64(out.size());
        for (const quint64 offset : offsets)
            out += be(offset, 4);
        QByteArray trailer(6, 0);
        trailer += char(4); // offset size
        trailer += char(2); // reference size
        trailer += be(quint64(m_objects.size()), 8);
        trailer += be(quint64(top), 8);
        trailer += be(tableAt, 8);
        return out + trailer;
    }

private:
    static QByteArray be(quint64 value, int size)
    {
        QByteArray out(size, 0);
        for (int i = size - 1; i >= 0; --i, value >>= 8)
            out[i] = char(value & 0xFF);
        return out;
    }

    static QByteArray marker(int type, qsizetype length)
    {
        if (length < 15)
            return QByteArray(1, char((type << 4) | int(length)));
        return QByteArray(1, char((type << 4) | 0xF)) + QByteArray(1, char(0x12)) +
               be(quint64(length), 4);
    }

    int add(const QVariant &value)
    {
        const int index = int(m_objects.size());
        m_objects << QByteArray();
        QByteArray body;
        switch (value.typeId()) {
        case QMetaType::QVariantMap: {
            const QVariantMap map = value.toMap();
            QList<int> keys, values;
            for (auto it = map.begin(); it != map.end(); ++it) {
                keys << add(it.key());
                values << add(it.value());
            }
            body = marker(0xD, map.size());
            for (const int k : keys)
                body += be(quint64(k), 2);
            for (const int v : values)
                body += be(quint64(v), 2);
            break;
        }
        case QMetaType::QVariantList: {
            QList<int> items;
            for (const QVariant &item : value.toList())
                items << add(item);
            body = marker(0xA, items.size());
            for (const int i : items)
                body += be(quint64(i), 2);
            break;
        }
        case QMetaType::QByteArray:
            body = marker(0x4, value.toByteArray().size()) + value.toByteArray();
            break;
        case QMetaType::Bool:
            body = QByteArray(1, value.toBool() ? char(0x09) : char(0x08));
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
            body = QByteArray(1, char(0x13)) + be(quint64(value.toLongLong()), 8);
            break;
        default: {
            const QString text = value.toString();
            bool ascii =
                std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
            if (ascii) {
                body = marker(0x5, text.size()) + text.toLatin1();
            } else {
                body = marker(0x6, text.size());
                for (const QChar c : text)
                    body += be(c.unicode(), 2);
            }
        }
        }
        m_objects[index] = body;
        return index;
    }

    QList<QByteArray> m_objects;
};

} // namespace

QByteArray binaryPropertyList(const QVariant &root)
{
    return PlistWriter().write(root);
}

// ---- Word compound file ----

namespace {

void put16(QByteArray &b, qsizetype at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

void put32(QByteArray &b, qsizetype at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

} // namespace

QByteArray wordDocument(const QString &text)
{
    constexpr quint32 endOfChain = 0xFFFFFFFE, freeSector = 0xFFFFFFFF, fatSector = 0xFFFFFFFD;
    constexpr qsizetype sector = 512;

    // The WordDocument stream: a file information block, then the text at 0x800.
    QByteArray body;
    for (const QChar c : text) {
        body += char(c.unicode() & 0xFF);
        body += char(c.unicode() >> 8);
    }
    const qsizetype textStart = 0x800;
    QByteArray stream(std::max<qsizetype>(4096, textStart + body.size()), 0);
    stream.replace(textStart, body.size(), body);
    put16(stream, 0, 0xA5EC);  // Word 97 signature
    put16(stream, 2, 0x00C1);  // version
    put16(stream, 10, 0x1000); // extended (Unicode) characters
    put32(stream, 24, quint32(textStart));
    put32(stream, 28, quint32(textStart + body.size()));
    stream.resize((stream.size() + sector - 1) / sector * sector, 0);
    const quint32 streamSectors = quint32(stream.size() / sector);

    // Sector 0: allocation table; sector 1: directory; sectors 2...: the stream.
    QByteArray header(sector, 0);
    header.replace(0, 8, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    put16(header, 0x18, 0x003E);
    put16(header, 0x1A, 0x0003);
    put16(header, 0x1C, 0xFFFE);
    put16(header, 0x1E, 9); // 512-byte sectors
    put16(header, 0x20, 6); // 64-byte mini sectors
    put32(header, 0x2C, 1); // one allocation-table sector
    put32(header, 0x30, 1); // directory at sector 1
    put32(header, 0x38, 4096);
    put32(header, 0x3C, endOfChain);
    put32(header, 0x40, 0);
    put32(header, 0x44, endOfChain);
    put32(header, 0x48, 0);
    for (int i = 0; i < 109; ++i)
        put32(header, 0x4C + 4 * i, i == 0 ? 0 : freeSector);

    QByteArray fat(sector, char(0xFF));
    put32(fat, 0, fatSector);
    put32(fat, 4, endOfChain);
    for (quint32 i = 0; i < streamSectors; ++i)
        put32(fat, 4 * (2 + i), i + 1 == streamSectors ? endOfChain : 3 + i);

    QByteArray directory(sector, 0);
    const auto entry = [&](int index, const QString &name, int type, quint32 start, quint32 size,
                           quint32 child) {
        const qsizetype at = index * 128;
        for (qsizetype i = 0; i < name.size(); ++i)
            put16(directory, at + 2 * i, name[i].unicode());
        put16(directory, at + 0x40, quint16((name.size() + 1) * 2));
        directory[at + 0x42] = char(type);
        directory[at + 0x43] = 1; // black
        put32(directory, at + 0x44, freeSector);
        put32(directory, at + 0x48, freeSector);
        put32(directory, at + 0x4C, child);
        put32(directory, at + 0x74, start);
        put32(directory, at + 0x78, size);
    };
    entry(0, QStringLiteral("Root Entry"), 5, endOfChain, 0, 1);
    entry(1, QStringLiteral("WordDocument"), 2, 2, quint32(stream.size()), freeSector);

    return header + fat + directory + stream;
}

QImage paintedText(const QStringList &lines, const QString &family, int pixelSize,
                   const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    QFont font(family);
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    int y = pixelSize * 2;
    for (const QString &line : lines) {
        painter.drawText(pixelSize, y, line);
        y += pixelSize * 3 / 2;
    }
    painter.end();
    return image;
}

} // namespace Fixtures
