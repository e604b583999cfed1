#pragma once
// The picture of a report: a screenshot of the main window with the map
// composed into it, and where it goes on the report sheet.
//
// The map picture (392 x 274, the map area's size) is painted over the map
// area of the screenshot, at the place the map has in the window: the map
// as shown when the recording has positions, blank when it has none (so a
// track left from an earlier recording never reaches a report). The map
// lives inside the window's right column, so it is painted where it is seen
// rather than at a fixed spot, where it would cover the video and the list.
// On the sheet the picture is fitted, keeping its aspect, into the area from
// (781, 409) to (1260, 709) points, both corners inclusive (480 x 301).
//
// Thread: any thread may use the functions (QImage only).

#include <QImage>
#include <QRect>
#include <QSize>

#include <optional>

namespace KVReportPicture
{

constexpr QSize kMapSize(392, 274);
// The picture area on the sheet, in points, corners inclusive.
constexpr QRect kSheetArea(QPoint(781, 409), QPoint(1260, 709));

// Fits size w x h into area (width and height counted inclusively as
// QRect does): s = min(W / w, H / h) in single precision, centred, each
// value truncated. A null size gives a null rectangle.
QRect aspectFit(const QSize &size, const QRect &area);

// The map picture of a recording without positions: blank (white).
QImage blankMap();

// screenshot with map painted at mapAt (the map area's top-left corner in
// the window), clipped to the screenshot. A null mapAt (the map area is not
// shown, as in full screen) leaves the screenshot as it is.
QImage compose(const QImage &screenshot, const QImage &map, const std::optional<QPoint> &mapAt);

} // namespace KVReportPicture
