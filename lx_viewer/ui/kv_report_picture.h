#pragma once
// The picture of a report: a screenshot of the main window with the map
// composed into it, and where it goes on the report sheet.
//
// The map picture (392 x 274, the map area's size) is painted, cut to
// 339 x 358 from its top-left corner, into the screenshot at (681, 331);
// rows below the map picture's own 274 leave the screenshot as it is. On
// the sheet the picture is fitted, keeping its aspect, into the area from
// (781, 409) to (1260, 709) points, both corners inclusive (480 x 301).
//
// Thread: any thread may use the functions (QImage only).

#include <QImage>
#include <QRect>
#include <QSize>

namespace KVReportPicture
{

constexpr QSize kMapSize(392, 274);
constexpr QRect kMapTarget(681, 331, 339, 358);
// The picture area on the sheet, in points, corners inclusive.
constexpr QRect kSheetArea(QPoint(781, 409), QPoint(1260, 709));

// Fits size w x h into area (width and height counted inclusively as
// QRect does): s = min(W / w, H / h) in single precision, centred, each
// value truncated. A null size gives a null rectangle.
QRect aspectFit(const QSize &size, const QRect &area);

// The map picture of a recording without positions: blank (white).
QImage blankMap();

// screenshot with map painted into kMapTarget as described above.
QImage compose(const QImage &screenshot, const QImage &map);

} // namespace KVReportPicture
