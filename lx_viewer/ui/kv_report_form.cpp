#include "kv_report_form.h"

#include "kv_report_facts.h"

#include <xlsxwriter.h>

#include <functional>
#include <vector>

namespace
{

enum Style { TITLE, LABEL, SUBLABEL, FIELD, KNOWN, CAPTION, FRAME, STYLE_COUNT };

// One merged region of the form: rows r1..r2, columns c1..c2 (inclusive).
struct Region {
    int r1, c1, r2, c2;
    Style style;
    const char *text; // label text; fields have none
    std::function<QString(const KVReportFacts &)> fact; // a field the viewer fills
};

// Left block: labels in columns 1-7, fields in 8-43; right block: labels
// in 45-51, sub-labels in 52-56, fields in 57-73. The picture frame covers
// rows 17-29 of the right block, where the picture is placed (781, 409 ..
// 1260, 709 points).
std::vector<Region> layout()
{
    auto label = [](int r1, int c1, int r2, int c2, const char *text) {
        return Region{r1, c1, r2, c2, LABEL, text, nullptr};
    };
    auto sub = [](int r, int c1, int c2, const char *text) {
        return Region{r, c1, r, c2, SUBLABEL, text, nullptr};
    };
    auto field = [](int r1, int c1, int r2, int c2) {
        return Region{r1, c1, r2, c2, FIELD, nullptr, nullptr};
    };
    auto known
        = [](int r1, int c1, int r2, int c2, std::function<QString(const KVReportFacts &)> fact) {
              return Region{r1, c1, r2, c2, KNOWN, nullptr, std::move(fact)};
          };
    return {
        {1, 1, 2, 73, TITLE, "交通事故報告書", nullptr},
        // The accident.
        label(4, 1, 4, 7, "事故発生日時"),
        known(4, 8, 4, 43, [](const KVReportFacts &f) { return f.momentText(); }),
        label(5, 1, 5, 7, "事故発生場所"),
        field(5, 8, 5, 43),
        label(6, 1, 6, 7, "位置座標"),
        known(6, 8, 6, 43, [](const KVReportFacts &f) { return f.coordinatesText(); }),
        label(7, 1, 7, 7, "走行速度"),
        known(7, 8, 7, 43, [](const KVReportFacts &f) { return f.speedText(); }),
        label(8, 1, 8, 7, "天候"),
        field(8, 8, 8, 21),
        label(8, 22, 8, 28, "路面状況"),
        field(8, 29, 8, 43),
        label(9, 1, 11, 7, "相手方"),
        sub(9, 8, 12, "氏名"),
        field(9, 13, 9, 43),
        sub(10, 8, 12, "車両"),
        field(10, 13, 10, 43),
        sub(11, 8, 12, "連絡先"),
        field(11, 13, 11, 43),
        label(12, 1, 17, 7, "事故の概要"),
        field(12, 8, 17, 43),
        label(18, 1, 24, 7, "現場状況"),
        field(18, 8, 24, 43),
        label(25, 1, 25, 7, "負傷者"),
        field(25, 8, 25, 21),
        label(25, 22, 25, 28, "物損"),
        field(25, 29, 25, 43),
        label(26, 1, 26, 7, "警察への届出"),
        field(26, 8, 26, 43),
        label(27, 1, 27, 7, "保険会社への連絡"),
        field(27, 8, 27, 43),
        label(28, 1, 29, 7, "備考"),
        field(28, 8, 29, 43),
        // The reporter.
        label(4, 45, 4, 51, "報告日"),
        field(4, 52, 4, 73),
        label(5, 45, 7, 51, "報告者"),
        sub(5, 52, 56, "所属"),
        field(5, 57, 5, 73),
        sub(6, 52, 56, "氏名"),
        field(6, 57, 6, 73),
        sub(7, 52, 56, "連絡先"),
        field(7, 57, 7, 73),
        label(8, 45, 8, 51, "車両番号"),
        field(8, 52, 8, 73),
        label(9, 45, 9, 51, "運転者"),
        field(9, 52, 9, 73),
        // The recording the report was made from.
        label(10, 45, 13, 51, "記録映像"),
        sub(10, 52, 56, "ファイル名"),
        known(10, 57, 10, 73, [](const KVReportFacts &f) { return f.recordingName; }),
        sub(11, 52, 56, "録画開始日時"),
        known(11, 57, 11, 73, [](const KVReportFacts &f) { return f.startText(); }),
        sub(12, 52, 56, "再生位置"),
        known(12, 57, 12, 73, [](const KVReportFacts &f) { return f.positionText(); }),
        sub(13, 52, 56, "映像の時刻"),
        known(13, 57, 13, 73, [](const KVReportFacts &f) { return f.momentText(); }),
        {16, 45, 16, 73, CAPTION, "事故時の映像と地図（ビューアー画面）", nullptr},
        {17, 45, 29, 73, FRAME, nullptr, nullptr},
    };
}

lxw_format *makeFormat(lxw_workbook *workbook, Style style)
{
    lxw_format *f = workbook_add_format(workbook);
    format_set_font_name(f, "MS PGothic");
    format_set_font_size(f, 10);
    format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    format_set_border(f, LXW_BORDER_THIN);
    switch (style) {
    case TITLE:
        format_set_font_size(f, 22);
        format_set_bold(f);
        format_set_align(f, LXW_ALIGN_CENTER);
        format_set_border(f, LXW_BORDER_NONE);
        format_set_bottom(f, LXW_BORDER_DOUBLE);
        break;
    case LABEL:
        format_set_bold(f);
        format_set_align(f, LXW_ALIGN_CENTER);
        format_set_bg_color(f, 0xD9D9D9);
        format_set_text_wrap(f);
        break;
    case SUBLABEL:
        format_set_align(f, LXW_ALIGN_CENTER);
        format_set_bg_color(f, 0xF2F2F2);
        break;
    case FIELD:
        format_set_align(f, LXW_ALIGN_LEFT);
        format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
        format_set_text_wrap(f);
        format_set_indent(f, 1);
        break;
    case KNOWN:
        // Written by the viewer: dark blue, so the reader tells it apart.
        format_set_align(f, LXW_ALIGN_LEFT);
        format_set_font_color(f, 0x1F3864);
        format_set_indent(f, 1);
        break;
    case CAPTION:
        format_set_bold(f);
        format_set_align(f, LXW_ALIGN_CENTER);
        format_set_bg_color(f, 0xD9D9D9);
        break;
    case FRAME:
        format_set_border(f, LXW_BORDER_MEDIUM);
        break;
    case STYLE_COUNT:
        break;
    }
    return f;
}

} // namespace

namespace KVReportForm
{

QStringList labels()
{
    QStringList texts;
    for (const Region &r : layout())
        if (r.text)
            texts << QString::fromUtf8(r.text);
    return texts;
}

bool write(lxw_workbook *workbook, lxw_worksheet *sheet, const KVReportFacts &facts)
{
    if (!workbook || !sheet)
        return false;
    lxw_format *formats[STYLE_COUNT];
    for (int s = 0; s < STYLE_COUNT; ++s)
        formats[s] = makeFormat(workbook, Style(s));

    bool ok = worksheet_set_column(sheet, 0, 255, kColumnWidth, nullptr) == LXW_NO_ERROR;
    worksheet_set_default_row(sheet, kRowHeight, LXW_FALSE);
    for (int row = 0; row < kRows; ++row)
        ok = ok && worksheet_set_row(sheet, row, kRowHeight, nullptr) == LXW_NO_ERROR;

    for (const Region &r : layout()) {
        QString text = r.text ? QString::fromUtf8(r.text) : QString();
        if (r.fact)
            text = r.fact(facts);
        ok = ok
            && worksheet_merge_range(
                   sheet, r.r1, r.c1, r.r2, r.c2, text.toUtf8().constData(), formats[r.style])
                == LXW_NO_ERROR;
    }

    worksheet_gridlines(sheet, LXW_HIDE_ALL_GRIDLINES);
    worksheet_set_landscape(sheet);
    worksheet_set_paper(sheet, 9); // A4
    worksheet_set_margins(sheet, 0.4, 0.4, 0.5, 0.5);
    worksheet_center_horizontally(sheet);
    worksheet_center_vertically(sheet);
    worksheet_fit_to_pages(sheet, 1, 1);
    ok = ok && worksheet_print_area(sheet, 0, 0, kRows - 1, kColumns - 1) == LXW_NO_ERROR;
    return ok;
}

} // namespace KVReportForm
