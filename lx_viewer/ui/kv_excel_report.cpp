#include "kv_excel_report.h"

#include "app/kv_app.h"
#include "kv_file_replace.h"
#include "kv_report_form.h"
#include "kv_report_picture.h"
#include "media/cnumeric.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include <xlsxwriter.h>

#include <cmath>

namespace
{
// Screen pixels per point (96 dpi), as the sheet's pictures are measured.
constexpr double kPixelsPerPoint = 96.0 / 72.0;
constexpr int kDotsPerMeter96 = 3780;
} // namespace

KVExcelReport::KVExcelReport(QObject *parent) : QObject(parent)
{
}

QString KVExcelReport::proposedPath(const QString &folder, const QDate &date)
{
    const QString stem = QDir::cleanPath(folder) + QDir::separator() + QStringLiteral("report_")
        + date.toString(QStringLiteral("yyyyMMdd"));
    QString path = stem + QStringLiteral(".xlsx");
    for (int counter = 1; QFileInfo::exists(path); ++counter)
        path = stem + QLatin1Char('_') + QString::number(counter) + QStringLiteral(".xlsx");
    return path;
}

QString KVExcelReport::workbookPath(const QString &chosen)
{
    if (chosen.isEmpty() || chosen.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        return chosen;
    if (chosen.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive))
        return chosen.left(chosen.size() - 4) + QStringLiteral(".xlsx");
    return chosen + QStringLiteral(".xlsx");
}

bool KVExcelReport::fail(const QString &why)
{
    _error = why;
    qWarning() << "report not written:" << why << "[" << Q_FUNC_INFO << __LINE__ << "]";
    if (!_temporaryPath.isEmpty())
        QFile::remove(_temporaryPath);
    return false;
}

bool KVExcelReport::run(const QString &targetPath)
{
    _error.clear();
    _pictureRect = QRect();
    // 1. one time names the temporary files
    const QString folder = KVApp::path(KVApp::PATH_BACKUP);
    QDir().mkpath(folder);
    _temporaryPath = folder + QStringLiteral("/_report")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy_MMdd_HHmmss"))
        + QStringLiteral(".xlsx");
    QFile::remove(_temporaryPath);
    if (targetPath.isEmpty())
        return fail(QStringLiteral("no target file"));

    // 2. the picture as JPEG in memory, at 96 dpi so one pixel is one
    // screen pixel on the sheet
    QByteArray jpeg;
    if (!_picture.isNull()) {
        QImage picture = _picture.convertToFormat(QImage::Format_RGB32);
        picture.setDotsPerMeterX(kDotsPerMeter96);
        picture.setDotsPerMeterY(kDotsPerMeter96);
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        if (!picture.save(&buffer, "JPG"))
            return fail(QStringLiteral("the picture cannot be encoded"));
    }

    // The workbook's numbers (widths, heights, offsets) are written with the
    // C library: "3.2857", not the "3,2857" of a German locale, which no
    // spreadsheet reads.
    const kvm::CNumericScope cNumbers;
    lxw_workbook *workbook = workbook_new(QFile::encodeName(_temporaryPath).constData());
    if (!workbook)
        return fail(QStringLiteral("cannot create ") + _temporaryPath);
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, "Sheet1");
    bool ok = sheet && KVReportForm::write(workbook, sheet, _facts);

    // 3. the picture at its point rectangle
    if (ok && !jpeg.isEmpty()) {
        _pictureRect = KVReportPicture::aspectFit(_picture.size(), KVReportPicture::kSheetArea);
        lxw_image_options options = {};
        options.x_offset = int32_t(std::lround(_pictureRect.left() * kPixelsPerPoint));
        options.y_offset = int32_t(std::lround(_pictureRect.top() * kPixelsPerPoint));
        options.x_scale = _pictureRect.width() * kPixelsPerPoint / _picture.width();
        options.y_scale = _pictureRect.height() * kPixelsPerPoint / _picture.height();
        char description[] = "ビューアー画面";
        options.description = description;
        ok = worksheet_insert_image_buffer_opt(sheet, 0, 0,
                 reinterpret_cast<const unsigned char *>(jpeg.constData()), size_t(jpeg.size()),
                 &options)
            == LXW_NO_ERROR;
    }

    const lxw_error closed = workbook_close(workbook);
    if (!ok)
        return fail(QStringLiteral("the report form could not be written"));
    if (closed != LXW_NO_ERROR)
        return fail(
            QString::fromUtf8(lxw_strerror(closed)) + QStringLiteral(": ") + _temporaryPath);

    // 4. complete: it takes the target's place
    QString why;
    if (!KVFileReplace::move(_temporaryPath, targetPath, &why))
        return fail(why + QStringLiteral(": ") + targetPath);
    return true;
}
