#pragma once
// Reads back what the tests need of an .xlsx workbook (a zip of XML parts,
// unpacked with the unzip program): sheet names, shared strings, cell
// texts, merged regions, column widths, row heights, page set-up and the
// first picture's anchor, extent and bytes.

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

namespace KVTest
{

// One part of a zip file ("xl/workbook.xml"); empty when it is missing.
QByteArray zipPart(const QString &zip, const QString &part);
// The names of all parts.
QStringList zipEntries(const QString &zip);

struct XlsxAnchor {
    int fromCol = -1, fromRow = -1;
    qint64 fromColOff = 0, fromRowOff = 0; // EMU
    qint64 cx = 0, cy = 0; // extent, EMU
};

class XlsxBook
{
public:
    explicit XlsxBook(const QString &path);

    bool isValid() const { return _valid; }
    QStringList sheetNames() const { return _sheetNames; }
    QStringList sharedStrings() const { return _strings; }
    // Text of a cell ("I5") of the first sheet; empty when none.
    QString cell(const QString &ref) const { return _cells.value(ref); }
    const QHash<QString, QString> &cells() const { return _cells; }
    QStringList mergedRanges() const { return _merged; }
    // Width of each column of the first sheet (0-based), as stored.
    QMap<int, double> columnWidths() const { return _columnWidths; }
    // Height in points of each row that has one (0-based).
    QMap<int, double> rowHeights() const { return _rowHeights; }
    double defaultRowHeight() const { return _defaultRowHeight; }
    // Attributes of <pageSetup> and whether fit-to-page is on.
    QHash<QString, QString> pageSetup() const { return _pageSetup; }
    bool fitToPage() const { return _fitToPage; }
    QStringList drawings() const { return _drawings; }
    XlsxAnchor anchor() const { return _anchor; }
    // The bytes of the first xl/media part.
    QByteArray media() const { return _media; }

private:
    bool _valid = false;
    QStringList _sheetNames;
    QStringList _strings;
    QHash<QString, QString> _cells;
    QStringList _merged;
    QMap<int, double> _columnWidths;
    QMap<int, double> _rowHeights;
    double _defaultRowHeight = 0.0;
    QHash<QString, QString> _pageSetup;
    bool _fitToPage = false;
    QStringList _drawings;
    XlsxAnchor _anchor;
    QByteArray _media;
};

} // namespace KVTest
