#pragma once
// KVExcelReport: writes the accident report workbook (.xlsx) itself: one
// sheet "Sheet1" with the report form (kv_report_form.h), the cells the
// viewer knows filled in, and the report picture (kv_report_picture.h)
// placed at its point rectangle on the sheet.
//
// The workbook is written to a temporary file in the backup folder
// ("_report" + yyyy_MMdd_HHmmss + ".xlsx") and moved to the target only once
// it is complete, so a failed run never leaves a half-written target nor
// damages a file that was there. The picture goes into the workbook from
// memory. The temporary workbook is removed on every outcome.
//
// Thread: GUI thread (one object per report request).

#include "kv_report_facts.h"

#include <QDate>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>

class KVExcelReport : public QObject
{
    Q_OBJECT
public:
    explicit KVExcelReport(QObject *parent = nullptr);

    // folder + separator + "report_" + yyyyMMdd + ".xlsx", or with "_" and
    // the first counter 1, 2, ... whose file does not exist yet.
    static QString proposedPath(const QString &folder, const QDate &date);

    // The file a chosen name stands for: the workbook is an .xlsx file and
    // its name ends so. A name ending in ".xls" gets ".xlsx" in its place;
    // any other name without ".xlsx" (letter case ignored) gets it added,
    // for the save dialog adds it only to names without a dot
    // ("Unfall 12.05.2026").
    static QString workbookPath(const QString &chosen);

    void setPicture(const QImage &picture) { _picture = picture; }
    void setFacts(const KVReportFacts &facts) { _facts = facts; }

    // Builds the workbook and saves it as targetPath (replacing a file of
    // that name); false with errorString() when it failed.
    bool run(const QString &targetPath);

    QString errorString() const { return _error; }
    // The temporary workbook of the last run (removed by then).
    QString temporaryPath() const { return _temporaryPath; }
    // Where the last run placed the picture, in points (null without one).
    QRect pictureRect() const { return _pictureRect; }

private:
    bool fail(const QString &why);

    QImage _picture;
    KVReportFacts _facts;
    QString _error;
    QString _temporaryPath;
    QRect _pictureRect;
};
