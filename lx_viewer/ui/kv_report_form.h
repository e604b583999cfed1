#pragma once
// The accident report form on the report's one sheet ("Sheet1"): a
// Japanese traffic-accident report of our own layout on a grid of narrow
// columns (2.5 characters, 23 pixels) and 24-point rows, printed landscape
// on one A4 page. Left: the accident (日時, 場所, 相手方, 事故の概要,
// 現場状況 ...); right: the reporter (報告者 ...), the recording the report
// was made from, and the framed area the viewer's picture is placed in.
// Labels are grey cells, the fields to fill in are empty merged cells with
// borders; the fields the viewer knows (KVReportFacts) are filled in.
//
// Thread: any (writes into a libxlsxwriter workbook the caller owns).

#include <QString>
#include <QStringList>

struct KVReportFacts;
struct lxw_workbook;
struct lxw_worksheet;

namespace KVReportForm
{

constexpr double kColumnWidth = 2.5; // characters
constexpr int kColumnPixels = 23; // what 2.5 characters are on screen
constexpr double kRowHeight = 24.0; // points
constexpr int kRowPixels = 32;
constexpr int kColumns = 75; // A .. BW, the print area
constexpr int kRows = 31;

// Every label text of the form, in the order written.
QStringList labels();

// Writes the form and the known facts; false when libxlsxwriter refused a
// step.
bool write(lxw_workbook *workbook, lxw_worksheet *sheet, const KVReportFacts &facts);

} // namespace KVReportForm
