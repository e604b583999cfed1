#include "kv_xlsx_reader.h"

#include <QProcess>
#include <QXmlStreamReader>

namespace KVTest
{

QByteArray zipPart(const QString &zip, const QString &part)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, part});
    if (!unzip.waitForFinished(30000) || unzip.exitCode() != 0)
        return QByteArray();
    return unzip.readAllStandardOutput();
}

QStringList zipEntries(const QString &zip)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), zip});
    if (!unzip.waitForFinished(30000) || unzip.exitCode() != 0)
        return {};
    return QString::fromUtf8(unzip.readAllStandardOutput())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

XlsxBook::XlsxBook(const QString &path)
{
    const QStringList entries = zipEntries(path);
    if (entries.isEmpty())
        return;
    _valid = true;

    QXmlStreamReader book(zipPart(path, QStringLiteral("xl/workbook.xml")));
    while (!book.atEnd())
        if (book.readNext() == QXmlStreamReader::StartElement && book.name() == u"sheet")
            _sheetNames << book.attributes().value(QStringLiteral("name")).toString();

    QXmlStreamReader strings(zipPart(path, QStringLiteral("xl/sharedStrings.xml")));
    QString current;
    while (!strings.atEnd()) {
        strings.readNext();
        if (strings.isStartElement() && strings.name() == u"si")
            current.clear();
        else if (strings.isStartElement() && strings.name() == u"t")
            current += strings.readElementText();
        else if (strings.isEndElement() && strings.name() == u"si")
            _strings << current;
    }

    QXmlStreamReader sheet(zipPart(path, QStringLiteral("xl/worksheets/sheet1.xml")));
    QString ref, type;
    while (!sheet.atEnd()) {
        sheet.readNext();
        if (!sheet.isStartElement())
            continue;
        const QXmlStreamAttributes a = sheet.attributes();
        const auto name = sheet.name();
        if (name == u"c") {
            ref = a.value(QStringLiteral("r")).toString();
            type = a.value(QStringLiteral("t")).toString();
        } else if (name == u"v") {
            const QString v = sheet.readElementText();
            _cells.insert(ref, type == u"s" ? _strings.value(v.toInt()) : v);
        } else if (name == u"mergeCell") {
            _merged << a.value(QStringLiteral("ref")).toString();
        } else if (name == u"col") {
            const int min = a.value(QStringLiteral("min")).toInt();
            const int max = a.value(QStringLiteral("max")).toInt();
            for (int c = min; c <= max && c <= 256; ++c)
                _columnWidths.insert(c - 1, a.value(QStringLiteral("width")).toDouble());
        } else if (name == u"row" && a.hasAttribute(QStringLiteral("ht"))) {
            _rowHeights.insert(
                a.value(QStringLiteral("r")).toInt() - 1, a.value(QStringLiteral("ht")).toDouble());
        } else if (name == u"sheetFormatPr") {
            _defaultRowHeight = a.value(QStringLiteral("defaultRowHeight")).toDouble();
        } else if (name == u"pageSetUpPr") {
            _fitToPage = a.value(QStringLiteral("fitToPage")) == u"1";
        } else if (name == u"pageSetup") {
            for (const QXmlStreamAttribute &attr : a)
                _pageSetup.insert(attr.name().toString(), attr.value().toString());
        }
    }

    for (const QString &entry : entries) {
        if (entry.startsWith(QLatin1String("xl/drawings/drawing")))
            _drawings << entry;
        if (entry.startsWith(QLatin1String("xl/media/")) && _media.isEmpty())
            _media = zipPart(path, entry);
    }
    QXmlStreamReader drawing(zipPart(path, QStringLiteral("xl/drawings/drawing1.xml")));
    bool inFrom = false;
    while (!drawing.atEnd()) {
        drawing.readNext();
        const auto name = drawing.name();
        if (drawing.isStartElement() && name == u"from") {
            inFrom = true;
        } else if (drawing.isEndElement() && name == u"from") {
            inFrom = false;
        } else if (drawing.isStartElement() && inFrom) {
            if (name == u"col")
                _anchor.fromCol = drawing.readElementText().toInt();
            else if (name == u"colOff")
                _anchor.fromColOff = drawing.readElementText().toLongLong();
            else if (name == u"row")
                _anchor.fromRow = drawing.readElementText().toInt();
            else if (name == u"rowOff")
                _anchor.fromRowOff = drawing.readElementText().toLongLong();
        } else if (drawing.isStartElement() && name == u"ext" && _anchor.cx == 0
            && drawing.attributes().hasAttribute(QStringLiteral("cx"))) {
            _anchor.cx = drawing.attributes().value(QStringLiteral("cx")).toLongLong();
            _anchor.cy = drawing.attributes().value(QStringLiteral("cy")).toLongLong();
        }
    }
}

} // namespace KVTest
