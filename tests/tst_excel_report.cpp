// The accident report without the window: the proposed names with their
// counter, the picture's fit on the sheet and the map composed into the
// screenshot, the facts taken from a real demo recording, and workbooks
// written and read back part by part (one sheet, the form, the filled
// cells, the grid, the page, the picture's anchor and size), including
// runs that fail and must leave nothing behind.

#include "kv_comma_locale.h"
#include "kv_player_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"
#include "kv_xlsx_reader.h"

#include "app/kv_app.h"
#include "data/kv_video_item.h"
#include "ui/kv_excel_report.h"
#include "ui/kv_frame_gps.h"
#include "ui/kv_report_facts.h"
#include "ui/kv_report_form.h"
#include "ui/kv_report_picture.h"
#include "ui/kv_speed_frame.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QPainter>

namespace
{
constexpr qint64 kEmuPerPixel = 9525; // at 96 dpi
constexpr qint64 kEmuPerPoint = 12700;

// A picture of four coloured quarters, so a scaled or cut copy is
// recognisable.
QImage quarters(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    const int w = size.width() / 2, h = size.height() / 2;
    p.fillRect(0, 0, w, h, Qt::red);
    p.fillRect(w, 0, size.width() - w, h, Qt::green);
    p.fillRect(0, h, w, size.height() - h, Qt::blue);
    p.fillRect(w, h, size.width() - w, size.height() - h, Qt::yellow);
    return image;
}

// Left edge in EMU of an anchor cell plus its offset (23-pixel columns,
// 32-pixel rows: every column and row of the sheet has the same size).
qint64 anchorLeft(const KVTest::XlsxAnchor &a)
{
    return a.fromCol * KVReportForm::kColumnPixels * kEmuPerPixel + a.fromColOff;
}
qint64 anchorTop(const KVTest::XlsxAnchor &a)
{
    return a.fromRow * KVReportForm::kRowPixels * kEmuPerPixel + a.fromRowOff;
}
} // namespace

class TestExcelReport : public QObject
{
    Q_OBJECT

    QString _dir;
    KVVideoItemRef _recording; // demo recording with positions from second 2

    QStringList backupLeftovers() const
    {
        return QDir(KVApp::path(KVApp::PATH_BACKUP))
            .entryList({QStringLiteral("_report*")}, QDir::Files);
    }

private slots:
    void initTestCase()
    {
        _dir = KVTest::makeTempDir(QStringLiteral("report"));
        const QString card = KVTest::makeTempDir(QStringLiteral("card"));
        QString why;
        const QStringList fronts = KVPlayerFixture::makeCard(card, 6, 4, &why);
        QVERIFY2(!fronts.isEmpty(), qPrintable(why));
        // The card's first recording (by its start, not its type word).
        QString first = fronts.first();
        for (const QString &front : fronts)
            if (QFileInfo(front).fileName().mid(4) < QFileInfo(first).fileName().mid(4))
                first = front;
        QDateTime start;
        QVERIFY(KVVideoItem::probeFile(first, &start) != KVVideoItem::TYPE_NONE);
        _recording = KVVideoFileListBuilder::makeRef(new KVVideoItem(first, false, start));
        QVERIFY(_recording->start().isValid());
        QVERIFY(_recording->loadSensorInfo());
        QVERIFY(_recording->sensorData()->hasPosition());
    }

    void proposedNamesCount()
    {
        const QString folder = _dir + QStringLiteral("/names");
        QVERIFY(QDir().mkpath(folder));
        const QDate date(2026, 12, 5);
        QCOMPARE(KVExcelReport::proposedPath(folder, date),
            folder + QStringLiteral("/report_20261205.xlsx"));
        QVERIFY(KVTest::writeFile(folder + QStringLiteral("/report_20261205.xlsx"), "x"));
        QCOMPARE(KVExcelReport::proposedPath(folder, date),
            folder + QStringLiteral("/report_20261205_1.xlsx"));
        QVERIFY(KVTest::writeFile(folder + QStringLiteral("/report_20261205_1.xlsx"), "x"));
        QCOMPARE(KVExcelReport::proposedPath(folder, date),
            folder + QStringLiteral("/report_20261205_2.xlsx"));
        // Another day starts again without a counter.
        QCOMPARE(KVExcelReport::proposedPath(folder, date.addDays(1)),
            folder + QStringLiteral("/report_20261206.xlsx"));
    }

    void pictureFitsTheSheetArea()
    {
        using KVReportPicture::aspectFit;
        const QRect area = KVReportPicture::kSheetArea;
        QCOMPARE(area.size(), QSize(480, 301));
        // Wide: full width, centred vertically (top 424).
        QCOMPARE(aspectFit(QSize(1280, 720), area), QRect(781, 424, 480, 270));
        // The main window: height-bound, centred horizontally.
        const QRect window = aspectFit(QSize(1094, 687), area);
        QCOMPARE(window.height(), 301);
        QCOMPARE(window.top(), 409);
        QVERIFY(window.width() <= 480 && window.width() >= 478);
        // Tall: centred horizontally.
        const QRect tall = aspectFit(QSize(720, 1280), area);
        QCOMPARE(tall.top(), 409);
        QCOMPARE(tall.height(), 301);
        QCOMPARE(tall.left(), 781 + (480 - tall.width()) / 2);
        QVERIFY(aspectFit(QSize(), area).isNull());
    }

    void mapIsComposedIntoTheScreenshot()
    {
        QImage screenshot(1094, 687, QImage::Format_RGB32);
        screenshot.fill(Qt::black);
        const QImage map = quarters(KVReportPicture::kMapSize);
        const QPoint at(698, 77); // where the right column shows the map
        const QImage out = KVReportPicture::compose(screenshot, map, at);
        QCOMPARE(out.size(), screenshot.size());
        QCOMPARE(out.pixelColor(at), QColor(Qt::red));
        QCOMPARE(out.pixelColor(at + QPoint(300, 10)), QColor(Qt::green));
        QCOMPARE(out.pixelColor(at + QPoint(10, 200)), QColor(Qt::blue));
        QCOMPARE(out.pixelColor(at + QPoint(391, 273)), QColor(Qt::yellow));
        // Only the map area changes; its last column reaches 1089 < 1094.
        QCOMPARE(out.pixelColor(at + QPoint(392, 10)), QColor(Qt::black));
        QCOMPARE(out.pixelColor(at + QPoint(10, 274)), QColor(Qt::black));
        QCOMPARE(out.pixelColor(at - QPoint(1, 1)), QColor(Qt::black));
        // A map area partly outside the screenshot is clipped, not wrapped.
        const QImage edge = KVReportPicture::compose(screenshot, map, QPoint(1000, 600));
        QCOMPARE(edge.size(), screenshot.size());
        QCOMPARE(edge.pixelColor(1000, 600), QColor(Qt::red));
        QCOMPARE(edge.pixelColor(999, 599), QColor(Qt::black));
        // Without positions the map area is blank.
        const QImage blank = KVReportPicture::compose(screenshot, KVReportPicture::blankMap(), at);
        QCOMPARE(blank.pixelColor(at + QPoint(100, 100)), QColor(Qt::white));
        // No map area on screen (full screen): the screenshot as it is.
        const QImage none = KVReportPicture::compose(screenshot, map, std::nullopt);
        QCOMPARE(none.pixelColor(at), QColor(Qt::black));
    }

    void factsOfTheMomentShown()
    {
        KVVideoItem *item = _recording.data();
        const qint64 total = item->duration();
        // The card starts without a fix: no coordinates in second 0.
        const KVReportFacts start = KVReportFacts::fromRecording(item, 500, total);
        QVERIFY(!start.hasFix);
        QVERIFY(start.coordinatesText().isEmpty());
        QVERIFY(start.speedText().isEmpty());
        QCOMPARE(start.recordingName, QFileInfo(item->displayPath()).fileName());
        QCOMPARE(start.startText(), KVReportFacts::dateTimeText(item->start()));
        QVERIFY(start.startText().endsWith(QStringLiteral("秒")));
        QCOMPARE(start.momentText(), KVReportFacts::dateTimeText(item->start().addMSecs(500)));

        // Later: the record the displays show, that of the second shown.
        const qint64 at = total * 4 / 6 + 10;
        const KVReportFacts fix = KVReportFacts::fromRecording(item, at, total);
        const auto &positions = item->sensorData()->positions();
        const KVGpsRecord &record = positions[size_t(at / 1000)];
        QVERIFY(fix.hasFix);
        QCOMPARE(fix.latitude, record.latitude);
        QCOMPARE(fix.longitude, record.longitude);
        double shownLatitude = 0, shownLongitude = 0;
        QVERIFY(LXFrameGPS::positionAt(
            *item->sensorData(), at, total, &shownLatitude, &shownLongitude));
        QCOMPARE(fix.latitude, shownLatitude);
        QCOMPARE(fix.speed, LXSpeedFrame::speedAt(*item->sensorData(), at, total));
        QVERIFY(fix.coordinatesText().startsWith(QStringLiteral("北緯 35.")));
        QVERIFY(fix.coordinatesText().contains(QStringLiteral("東経 139.")));
        QCOMPARE(fix.speedText(), QString::number(record.speed, 'f', 0) + QStringLiteral(" km/h"));
        // Past the end: the last record, never beyond.
        QVERIFY(KVReportFacts::fromRecording(item, total * 3, total).hasFix);

        KVReportFacts south;
        south.hasFix = true;
        south.latitude = -33.5;
        south.longitude = -70.25;
        QCOMPARE(south.coordinatesText(), QStringLiteral("南緯 33.500000°  西経 70.250000°"));
        QCOMPARE(KVReportFacts::dateTimeText(QDateTime(QDate(2020, 12, 21), QTime(10, 2, 5))),
            QStringLiteral("2020年12月21日 10時02分05秒"));
        QVERIFY(KVReportFacts::fromRecording(nullptr, 0, 0).recordingName.isEmpty());
    }

    void workbookReadsBack()
    {
        KVVideoItem *item = _recording.data();
        const qint64 total = item->duration();
        const KVReportFacts facts = KVReportFacts::fromRecording(item, total * 4 / 6 + 10, total);
        KVExcelReport report;
        report.setFacts(facts);
        report.setPicture(quarters(QSize(1280, 720)));
        const QString target = _dir + QStringLiteral("/report_20201221.xlsx");
        QVERIFY2(report.run(target), qPrintable(report.errorString()));
        QCOMPARE(report.pictureRect(), QRect(781, 424, 480, 270));
        QVERIFY(backupLeftovers().isEmpty());

        const KVTest::XlsxBook book(target);
        QVERIFY(book.isValid());
        QCOMPARE(book.sheetNames(), QStringList{QStringLiteral("Sheet1")});
        // The form: every label, the title first.
        const QStringList labels = KVReportForm::labels();
        QCOMPARE(labels.first(), QStringLiteral("交通事故報告書"));
        for (const char *label :
            {"事故発生日時", "事故発生場所", "事故の概要", "現場状況", "報告者"})
            QVERIFY2(labels.contains(QString::fromUtf8(label)), label);
        for (const QString &label : labels)
            QVERIFY2(book.sharedStrings().contains(label), qPrintable(label));
        QCOMPARE(book.cell(QStringLiteral("B2")), QStringLiteral("交通事故報告書"));
        QCOMPARE(book.cell(QStringLiteral("B5")), QStringLiteral("事故発生日時"));
        // The cells the viewer knows, beside their labels.
        QCOMPARE(book.cell(QStringLiteral("I5")), facts.momentText());
        QCOMPARE(book.cell(QStringLiteral("I7")), facts.coordinatesText());
        QCOMPARE(book.cell(QStringLiteral("I8")), facts.speedText());
        QCOMPARE(book.cell(QStringLiteral("BF11")), facts.recordingName);
        QCOMPARE(book.cell(QStringLiteral("BF12")), facts.startText());
        QVERIFY(!facts.coordinatesText().isEmpty());
        // Fields to fill in: merged, bordered, empty.
        QVERIFY(book.mergedRanges().contains(QStringLiteral("I6:AR6"))); // 事故発生場所
        QVERIFY(book.mergedRanges().contains(QStringLiteral("I13:AR18"))); // 事故の概要
        QVERIFY(book.cell(QStringLiteral("I6")).isEmpty());
        QVERIFY(book.mergedRanges().size() > 40);

        // The grid: 2.5-character columns, 24-point rows.
        QVERIFY(!book.columnWidths().isEmpty());
        for (double width : book.columnWidths())
            QVERIFY2(qAbs(width - 3.2857) < 0.01, qPrintable(QString::number(width)));
        QCOMPARE(book.defaultRowHeight(), 24.0);
        for (int row = 0; row < KVReportForm::kRows; ++row)
            QCOMPARE(book.rowHeights().value(row), 24.0);
        // One landscape A4 page.
        QCOMPARE(book.pageSetup().value(QStringLiteral("paperSize")), QStringLiteral("9"));
        QCOMPARE(
            book.pageSetup().value(QStringLiteral("orientation")), QStringLiteral("landscape"));
        QVERIFY(book.fitToPage());

        // The picture: anchored at (781, 424) points, 480 x 270 points, the
        // whole 1280 x 720 shot inside.
        QCOMPARE(book.drawings().size(), 1);
        const KVTest::XlsxAnchor a = book.anchor();
        QVERIFY(qAbs(anchorLeft(a) - 781 * kEmuPerPoint) < kEmuPerPixel);
        QVERIFY(qAbs(anchorTop(a) - 424 * kEmuPerPoint) < kEmuPerPixel);
        QCOMPARE(a.cx, 480 * kEmuPerPoint);
        QCOMPARE(a.cy, 270 * kEmuPerPoint);
        QImage embedded;
        QVERIFY(embedded.loadFromData(book.media(), "JPG"));
        QCOMPARE(embedded.size(), QSize(1280, 720));
        QCOMPARE(embedded.pixelColor(100, 100).red() > 200, true);
        QCOMPARE(embedded.pixelColor(1180, 620).blue() < 80, true); // yellow quarter
    }

    // A user whose locale writes "2,5" gets the same workbook: its numbers
    // (column widths, row heights, the picture's place) are the file
    // format's, not the user's.
    void workbookInACommaLocale()
    {
        const KVTest::CommaNumbers comma;
        QVERIFY2(comma.isActive(), qPrintable(comma.why()));
        KVVideoItem *item = _recording.data();
        KVExcelReport report;
        report.setFacts(KVReportFacts::fromRecording(item, 1000, item->duration()));
        report.setPicture(quarters(QSize(1280, 720)));
        const QString target = _dir + QStringLiteral("/report_comma.xlsx");
        QVERIFY2(report.run(target), qPrintable(report.errorString()));
        const KVTest::XlsxBook book(target);
        QVERIFY(book.isValid());
        QVERIFY(!book.columnWidths().isEmpty());
        for (double width : book.columnWidths())
            QVERIFY2(qAbs(width - 3.2857) < 0.01, qPrintable(QString::number(width)));
        QCOMPARE(book.defaultRowHeight(), 24.0);
        QCOMPARE(book.anchor().cx, 480 * kEmuPerPoint);
    }

    void workbookWithoutFixLeavesTheGpsCellsEmpty()
    {
        KVExcelReport report;
        report.setFacts(KVReportFacts::fromRecording(_recording.data(), 0, 6000));
        report.setPicture(quarters(QSize(1094, 687)));
        const QString target = _dir + QStringLiteral("/nofix.xlsx");
        QVERIFY(report.run(target));
        const KVTest::XlsxBook book(target);
        QVERIFY(book.cell(QStringLiteral("I7")).isEmpty());
        QVERIFY(book.cell(QStringLiteral("I8")).isEmpty());
        QVERIFY(!book.cell(QStringLiteral("I5")).isEmpty());
        const QRect fit = report.pictureRect();
        QCOMPARE(book.anchor().cx, fit.width() * kEmuPerPoint);
        QCOMPARE(book.anchor().cy, fit.height() * kEmuPerPoint);
    }

    void existingTargetIsReplacedOnlyByACompleteWorkbook()
    {
        const QString target = _dir + QStringLiteral("/replace.xlsx");
        QVERIFY(KVTest::writeFile(target, "an older report"));
        KVExcelReport report;
        report.setPicture(quarters(QSize(320, 180)));
        QVERIFY(report.run(target));
        QVERIFY(KVTest::readFile(target).startsWith("PK"));

        // The backup folder (where the workbook is built) cannot be used:
        // the run fails, says why, and the target keeps its content.
        QVERIFY(KVTest::writeFile(target, "an older report"));
        const QString backup = KVApp::path(KVApp::PATH_BACKUP);
        QVERIFY(QDir(backup).removeRecursively());
        QVERIFY(KVTest::writeFile(backup, "not a folder"));
        KVExcelReport blocked;
        blocked.setPicture(quarters(QSize(320, 180)));
        QVERIFY(!blocked.run(target));
        QVERIFY(!blocked.errorString().isEmpty());
        QCOMPARE(KVTest::readFile(target), QByteArray("an older report"));
        QVERIFY(QFile::remove(backup));

        // A target folder that cannot exist: no target, no temporary file.
        const QString blocker = _dir + QStringLiteral("/blocker");
        QVERIFY(KVTest::writeFile(blocker, "x"));
        KVExcelReport nowhere;
        nowhere.setPicture(quarters(QSize(320, 180)));
        QVERIFY(!nowhere.run(blocker + QStringLiteral("/sub/report.xlsx")));
        QVERIFY(!nowhere.errorString().isEmpty());
        QVERIFY(!QFileInfo::exists(nowhere.temporaryPath()));
        QVERIFY(backupLeftovers().isEmpty());
    }
};

KV_TEST_MAIN(TestExcelReport)
#include "tst_excel_report.moc"
