// The widget renderers ("OpenGLWidget" and "Widget") in real windows under
// Xvfb: frames built in memory (known YUV values, both ranges, BT.601 and
// BT.709, NV12, RGB24 also stored bottom-up) and frames decoded from a demo
// card, checked on the grabbed picture: colours, orientation, region of
// interest, aspect modes, odd sizes, frames from other threads, destruction
// while frames keep coming.

#include "kv_media_fixtures.h"
#include "kv_test_util.h"
#include "media/avplayer.h"
#include "media/framestrip.h"
#include "media/render/glwidgetrenderer.h"
#include "media/render/widgetrenderer.h"
#include "media/render/widgetrenderers.h"
#include "media/videorenderer.h"

#include <QApplication>
#include <QDir>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QProcess>
#include <QScreen>
#include <QVBoxLayout>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

extern "C" {
#include <libavutil/imgutils.h>
}

using kvm::VideoFrame;
using kvm::VideoRenderer;

namespace
{

struct Yuv {
    int y, u, v;
};

// --- reference colours, derived independently of the renderers: from
// Y = kr R + kg G + kb B and the textbook range scaling.
QColor expectedRgb(Yuv c, bool full, bool bt709)
{
    const double kr = bt709 ? 0.2126 : 0.299;
    const double kb = bt709 ? 0.0722 : 0.114;
    const double kg = 1.0 - kr - kb;
    const double y = full ? c.y : (c.y - 16) * 255.0 / 219.0;
    const double u = (c.u - 128) * (full ? 1.0 : 255.0 / 224.0);
    const double v = (c.v - 128) * (full ? 1.0 : 255.0 / 224.0);
    const double r = y + 2.0 * (1.0 - kr) * v;
    const double b = y + 2.0 * (1.0 - kb) * u;
    const double g = (y - kr * r - kb * b) / kg;
    auto clamp = [](double x) { return std::clamp(int(std::lround(x)), 0, 255); };
    return QColor(clamp(r), clamp(g), clamp(b));
}

// BT.601 limited range, for pictures given in RGB.
Yuv yuvOf(QColor c)
{
    const double r = c.red(), g = c.green(), b = c.blue();
    const double y = 0.299 * r + 0.587 * g + 0.114 * b;
    const double u = (b - y) / (2.0 * (1.0 - 0.114));
    const double v = (r - y) / (2.0 * (1.0 - 0.299));
    return {int(std::lround(16 + y * 219.0 / 255.0)), int(std::lround(128 + u * 224.0 / 255.0)),
        int(std::lround(128 + v * 224.0 / 255.0))};
}

// --- frames built in memory

VideoFrame adopt(AVFrame *f)
{
    VideoFrame frame(f, 0.0, 0);
    av_frame_free(&f);
    return frame;
}

AVFrame *allocFrame(QSize size, AVPixelFormat format)
{
    AVFrame *f = av_frame_alloc();
    f->width = size.width();
    f->height = size.height();
    f->format = format;
    if (av_frame_get_buffer(f, 64) < 0)
        qFatal("no frame buffer");
    // Garbage in the padding and beyond: a renderer that reads past the
    // picture shows it.
    for (int p = 0; p < AV_NUM_DATA_POINTERS && f->buf[p]; ++p)
        memset(f->buf[p]->data, 0xEE, f->buf[p]->size);
    return f;
}

// A 4:2:0 picture (planar or NV12, any range or standard): colourAt(x, y)
// in luma pixels; chroma taken at the top-left pixel of each 2x2 block.
VideoFrame yuvFrame(QSize size, AVPixelFormat format, const std::function<Yuv(int, int)> &colourAt,
    AVColorSpace space = AVCOL_SPC_UNSPECIFIED, AVColorRange range = AVCOL_RANGE_UNSPECIFIED)
{
    AVFrame *f = allocFrame(size, format);
    f->colorspace = space;
    f->color_range = range;
    const int w = size.width(), h = size.height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            f->data[0][y * f->linesize[0] + x] = uint8_t(colourAt(x, y).y);
    for (int y = 0; y < (h + 1) / 2; ++y) {
        for (int x = 0; x < (w + 1) / 2; ++x) {
            const Yuv c = colourAt(2 * x, 2 * y);
            if (format == AV_PIX_FMT_NV12) {
                f->data[1][y * f->linesize[1] + 2 * x] = uint8_t(c.u);
                f->data[1][y * f->linesize[1] + 2 * x + 1] = uint8_t(c.v);
            } else {
                f->data[1][y * f->linesize[1] + x] = uint8_t(c.u);
                f->data[2][y * f->linesize[2] + x] = uint8_t(c.v);
            }
        }
    }
    return adopt(f);
}

// A packed RGB picture (RGB24 or BGR24); bottomUp stores the rows from the
// last to the first with a negative stride, as the vflip filter hands them.
VideoFrame rgbFrame(QSize size, const std::function<QColor(int, int)> &colourAt,
    AVPixelFormat format = AV_PIX_FMT_RGB24, bool bottomUp = false)
{
    AVFrame *f = allocFrame(size, format);
    if (bottomUp) {
        f->data[0] += (size.height() - 1) * f->linesize[0];
        f->linesize[0] = -f->linesize[0];
    }
    const bool bgr = format == AV_PIX_FMT_BGR24;
    for (int y = 0; y < size.height(); ++y) {
        uint8_t *row = f->data[0] + y * f->linesize[0];
        for (int x = 0; x < size.width(); ++x) {
            const QColor c = colourAt(x, y);
            row[3 * x] = uint8_t(bgr ? c.blue() : c.red());
            row[3 * x + 1] = uint8_t(c.green());
            row[3 * x + 2] = uint8_t(bgr ? c.red() : c.blue());
        }
    }
    return adopt(f);
}

// A picture of one colour given in RGB, in any of the test formats.
VideoFrame pictureFrame(QSize size, AVPixelFormat format, bool bottomUp,
    const std::function<QColor(int, int)> &colourAt)
{
    if (format == AV_PIX_FMT_RGB24 || format == AV_PIX_FMT_BGR24)
        return rgbFrame(size, colourAt, format, bottomUp);
    return yuvFrame(size, format, [&](int x, int y) { return yuvOf(colourAt(x, y)); });
}

// --- a 4 x 4 grid of grey cells (limited range luma 40, 52, ... 220)
int gridLuma(int cell)
{
    return 40 + 12 * cell;
}
int gridCell(QSize size, int x, int y)
{
    return (y * 4 / size.height()) * 4 + x * 4 / size.width();
}
VideoFrame gridFrame(QSize size)
{
    return yuvFrame(size, AV_PIX_FMT_YUV420P, [size](int x, int y) {
        return Yuv{
            gridLuma(gridCell(size, std::min(x, size.width() - 1), std::min(y, size.height() - 1))),
            128, 128};
    });
}
// The cell whose grey is nearest to a shown pixel.
int cellOfGrey(QRgb pixel)
{
    int best = -1;
    int bestDistance = 1000;
    for (int cell = 0; cell < 16; ++cell) {
        const int grey = expectedRgb({gridLuma(cell), 128, 128}, false, false).red();
        const int d = std::abs(qGreen(pixel) - grey);
        if (d < bestDistance) {
            bestDistance = d;
            best = cell;
        }
    }
    return bestDistance <= 5 ? best : -1;
}

// --- windows

struct Shown {
    std::unique_ptr<VideoRenderer> renderer;
    QWidget *widget() const { return renderer->widget(); }
};

Shown showRenderer(const QString &id, QSize size)
{
    Shown s;
    s.renderer.reset(VideoRenderer::create(id));
    if (!s.renderer)
        return s;
    s.widget()->setFixedSize(size);
    s.widget()->show();
    if (!QTest::qWaitForWindowExposed(s.widget()))
        qWarning("window not exposed");
    return s;
}

QImage grabbed(const Shown &s)
{
    return s.widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// What is on the screen (only what has really been painted).
QImage onScreen(const Shown &s)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(s.widget()->winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

bool near(QRgb pixel, QColor want, int tolerance)
{
    return std::abs(qRed(pixel) - want.red()) <= tolerance
        && std::abs(qGreen(pixel) - want.green()) <= tolerance
        && std::abs(qBlue(pixel) - want.blue()) <= tolerance;
}

QString describe(QRgb pixel)
{
    return QStringLiteral("(%1,%2,%3)").arg(qRed(pixel)).arg(qGreen(pixel)).arg(qBlue(pixel));
}

#define CHECK_PIXEL(image, x, y, want, tolerance)                                                  \
    QVERIFY2(near((image).pixel((x), (y)), (want), (tolerance)),                                   \
        qPrintable(QStringLiteral("pixel %1,%2 is %3, want %4")                                    \
                       .arg(x)                                                                     \
                       .arg(y)                                                                     \
                       .arg(describe((image).pixel((x), (y))))                                     \
                       .arg(describe((want).rgb()))))

const int kTolerance = 4;

} // namespace

class TestRenderers : public QObject
{
    Q_OBJECT

    QString _cardFront; // a demo recording's front file, made once

    void addIdColumn() { QTest::addColumn<QString>("id"); }
    static QStringList ids() { return {QStringLiteral("OpenGLWidget"), QStringLiteral("Widget")}; }

    // Every sample point of the widget maps, through the region of interest
    // and the output rectangle, to a grid cell; points well inside a cell
    // must show that cell's grey, points outside the output rectangle black.
    void checkGrid(const Shown &s, QSize frameSize)
    {
        const QImage image = grabbed(s);
        const QRect target = s.renderer->outputRect(frameSize, 1.0, s.widget()->size());
        const QRect roi = s.renderer->regionOfInterestPixels(frameSize);
        const double cellW = frameSize.width() / 4.0;
        const double cellH = frameSize.height() / 4.0;
        int checked = 0;
        for (int py = 1; py < image.height(); py += 3) {
            for (int px = 1; px < image.width(); px += 3) {
                const QRgb pixel = image.pixel(px, py);
                if (!target.adjusted(-1, -1, 1, 1).contains(px, py)) {
                    QVERIFY2(near(pixel, Qt::black, 0),
                        qPrintable(QStringLiteral("outside %1,%2 not black: %3")
                                       .arg(px)
                                       .arg(py)
                                       .arg(describe(pixel))));
                    continue;
                }
                const double fx = roi.x() + (px - target.x() + 0.5) * roi.width() / target.width();
                const double fy
                    = roi.y() + (py - target.y() + 0.5) * roi.height() / target.height();
                // Two frame pixels (plus a chroma-aligned cut) of margin.
                const double mx = std::fmod(fx, cellW);
                const double my = std::fmod(fy, cellH);
                if (mx < 3 || mx > cellW - 3 || my < 3 || my > cellH - 3)
                    continue;
                if (!target.adjusted(2, 2, -2, -2).contains(px, py))
                    continue;
                const int want = int(fy / cellH) * 4 + int(fx / cellW);
                QVERIFY2(cellOfGrey(pixel) == want,
                    qPrintable(QStringLiteral("at %1,%2 (frame %3,%4) cell %5 shown as %6")
                                   .arg(px)
                                   .arg(py)
                                   .arg(fx)
                                   .arg(fy)
                                   .arg(want)
                                   .arg(describe(pixel))));
                ++checked;
            }
        }
        QVERIFY2(checked > 50, qPrintable(QString::number(checked)));
    }

private slots:
    void initTestCase()
    {
        kvm::registerWidgetRenderers();
        const QString dir = KVTest::makeTempDir(QStringLiteral("card"));
        QProcess mk;
        mk.start(KVTest::builtProgram(QStringLiteral("korvid-mkcard")),
            {QStringLiteral("--seconds"), QStringLiteral("2"), QStringLiteral("--recordings"),
                QStringLiteral("4"), QStringLiteral("--front"), QStringLiteral("320x180"),
                QStringLiteral("--rear"), QStringLiteral("160x90"), dir});
        QVERIFY(mk.waitForFinished(120000));
        QCOMPARE(mk.exitCode(), 0);
        const QFileInfoList fronts
            = QDir(dir).entryInfoList({QStringLiteral("*F.mp4")}, QDir::Files, QDir::Name);
        QVERIFY(!fronts.isEmpty());
        _cardFront = fronts.first().absoluteFilePath();
    }

    void registry()
    {
        const QStringList registered = VideoRenderer::registeredIds();
        for (const QString &id : ids()) {
            QVERIFY(registered.contains(id));
            std::unique_ptr<VideoRenderer> r(VideoRenderer::create(id));
            QVERIFY(r);
            QCOMPARE(r->id(), id);
            QVERIFY(r->widget());
            QCOMPARE(dynamic_cast<QWidget *>(r.get()), r->widget());
            QCOMPARE(r->widget()->focusPolicy(), Qt::NoFocus);
            // Under Xvfb (Mesa) OpenGL is there.
            QVERIFY(r->isAvailable());
        }
    }

    // The OpenGLWidget renderer says it cannot work where GL widgets crash;
    // this program runs itself on the offscreen platform to see that.
    void availabilityFollowsPlatform()
    {
        std::unique_ptr<VideoRenderer> r(VideoRenderer::create(QStringLiteral("OpenGLWidget")));
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            QVERIFY(!r->isAvailable());
            return;
        }
        QVERIFY(r->isAvailable());
        QProcess self;
        self.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("-platform"), QStringLiteral("offscreen"),
                QStringLiteral("availabilityFollowsPlatform")});
        QVERIFY(self.waitForFinished(60000));
        QVERIFY2(self.exitCode() == 0, self.readAllStandardOutput().constData());
    }

    // The context the OpenGLWidget renderer draws with is the kind asked
    // for (checked in the runs of otherContextKinds()).
    void contextKind()
    {
        Shown s = showRenderer(QStringLiteral("OpenGLWidget"), QSize(64, 36));
        auto *gl = static_cast<QOpenGLWidget *>(s.widget());
        QVERIFY(gl->context());
        const QSurfaceFormat format = gl->context()->format();
        const QString profile = qEnvironmentVariable("KV_TEST_GL_PROFILE");
        qInfo() << "context" << format.renderableType() << format.majorVersion()
                << format.minorVersion() << format.profile();
        if (profile == QLatin1String("core"))
            QCOMPARE(format.profile(), QSurfaceFormat::CoreProfile);
        QCOMPARE(gl->context()->isOpenGLES(), profile == QLatin1String("es"));
    }

    // The same pictures on a core profile context (GLSL 1.50, vertex array
    // object) and on an OpenGL ES context (GLSL ES, luminance textures when
    // it is ES 2): this program runs itself once for each.
    void otherContextKinds_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::newRow("core") << QStringLiteral("core");
        QTest::newRow("es") << QStringLiteral("es");
    }
    void otherContextKinds()
    {
        QFETCH(QString, profile);
        if (!qEnvironmentVariableIsEmpty("KV_TEST_GL_PROFILE"))
            QSKIP("already in such a run");
        QProcess self;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KV_TEST_GL_PROFILE"), profile);
        self.setProcessEnvironment(env);
        self.setProcessChannelMode(QProcess::MergedChannels);
        self.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("contextKind"), QStringLiteral("colours"), QStringLiteral("quadrants"),
                QStringLiteral("regionOfInterest"), QStringLiteral("regionInQuadrant"),
                QStringLiteral("oddSizes"), QStringLiteral("convertsOnlyNewFrames")});
        QVERIFY(self.waitForFinished(300000));
        const QByteArray output = self.readAll();
        QVERIFY2(self.exitCode() == 0, output.constData());
    }

    void blackWithoutFrame_data()
    {
        addIdColumn();
        for (const QString &id : ids())
            QTest::newRow(qPrintable(id)) << id;
    }
    void blackWithoutFrame()
    {
        QFETCH(QString, id);
        Shown s = showRenderer(id, QSize(160, 120));
        const auto allBlack = [](const QImage &image) {
            for (int y = 0; y < image.height(); y += 7)
                for (int x = 0; x < image.width(); x += 7)
                    if (!near(image.pixel(x, y), Qt::black, 0))
                        return false;
            return true;
        };
        QVERIFY(allBlack(grabbed(s)));
        s.renderer->receive(yuvFrame(QSize(64, 36), AV_PIX_FMT_YUV420P, [](int, int) {
            return Yuv{180, 128, 128};
        }));
        QVERIFY(!allBlack(grabbed(s)));
        // An invalid frame means "show nothing".
        s.renderer->receive(VideoFrame());
        QVERIFY(allBlack(grabbed(s)));
    }

    // Two colours side by side in each format, range and standard.
    void colours_data()
    {
        addIdColumn();
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("space");
        QTest::addColumn<int>("range");
        QTest::addColumn<bool>("full");
        QTest::addColumn<bool>("bt709");
        struct Case {
            const char *name;
            AVPixelFormat format;
            AVColorSpace space;
            AVColorRange range;
            bool full;
            bool bt709;
        };
        const Case cases[] = {
            {"601 limited", AV_PIX_FMT_YUV420P, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED,
                false, false},
            {"601 limited said", AV_PIX_FMT_YUV420P, AVCOL_SPC_SMPTE170M, AVCOL_RANGE_MPEG, false,
                false},
            {"yuvj full", AV_PIX_FMT_YUVJ420P, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED, true,
                false},
            {"yuv full said", AV_PIX_FMT_YUV420P, AVCOL_SPC_BT470BG, AVCOL_RANGE_JPEG, true, false},
            {"709 limited", AV_PIX_FMT_YUV420P, AVCOL_SPC_BT709, AVCOL_RANGE_MPEG, false, true},
            {"709 full", AV_PIX_FMT_YUVJ420P, AVCOL_SPC_BT709, AVCOL_RANGE_JPEG, true, true},
            {"nv12 601", AV_PIX_FMT_NV12, AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED, false,
                false},
            {"nv12 709", AV_PIX_FMT_NV12, AVCOL_SPC_BT709, AVCOL_RANGE_MPEG, false, true},
        };
        for (const QString &id : ids())
            for (const Case &c : cases)
                QTest::addRow("%s %s", qPrintable(id), c.name)
                    << id << int(c.format) << int(c.space) << int(c.range) << c.full << c.bt709;
    }
    void colours()
    {
        QFETCH(QString, id);
        QFETCH(int, format);
        QFETCH(int, space);
        QFETCH(int, range);
        QFETCH(bool, full);
        QFETCH(bool, bt709);
        // Far from grey, so that a wrong standard or range is well outside
        // the tolerance, yet no channel clips.
        const Yuv left{150, 128, 40};
        const Yuv right{100, 180, 90};
        Shown s = showRenderer(id, QSize(200, 100));
        s.renderer->setOutAspectRatioMode(VideoRenderer::RendererAspectRatio);
        s.renderer->receive(yuvFrame(
            QSize(64, 32), AVPixelFormat(format), [&](int x, int) { return x < 32 ? left : right; },
            AVColorSpace(space), AVColorRange(range)));
        const QImage image = grabbed(s);
        CHECK_PIXEL(image, 50, 50, expectedRgb(left, full, bt709), kTolerance);
        CHECK_PIXEL(image, 150, 50, expectedRgb(right, full, bt709), kTolerance);
        // The wrong standard or range would not pass.
        QVERIFY(
            !near(expectedRgb(left, full, !bt709).rgb(), expectedRgb(left, full, bt709), kTolerance)
            || !near(expectedRgb(right, full, !bt709).rgb(), expectedRgb(right, full, bt709),
                kTolerance));
        QVERIFY(!near(
            expectedRgb(left, !full, bt709).rgb(), expectedRgb(left, full, bt709), kTolerance));
    }

    // Red, green, blue and white quadrants where they belong: no flip, no
    // transpose, in every format (BGR24 goes the slow way).
    void quadrants_data()
    {
        addIdColumn();
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("bottomUp");
        for (const QString &id : ids()) {
            QTest::addRow("%s yuv420p", qPrintable(id)) << id << int(AV_PIX_FMT_YUV420P) << false;
            QTest::addRow("%s nv12", qPrintable(id)) << id << int(AV_PIX_FMT_NV12) << false;
            QTest::addRow("%s rgb24", qPrintable(id)) << id << int(AV_PIX_FMT_RGB24) << false;
            QTest::addRow("%s rgb24 bottom-up", qPrintable(id))
                << id << int(AV_PIX_FMT_RGB24) << true;
            QTest::addRow("%s bgr24", qPrintable(id)) << id << int(AV_PIX_FMT_BGR24) << false;
        }
    }
    void quadrants()
    {
        QFETCH(QString, id);
        QFETCH(int, format);
        QFETCH(bool, bottomUp);
        const QColor colours[4] = {
            QColor(200, 30, 30), QColor(30, 200, 30), QColor(30, 30, 200), QColor(220, 220, 220)};
        const QSize size(320, 180);
        Shown s = showRenderer(id, QSize(320, 180));
        s.renderer->receive(pictureFrame(size, AVPixelFormat(format), bottomUp,
            [&](int x, int y) { return colours[(y >= 90 ? 2 : 0) + (x >= 160 ? 1 : 0)]; }));
        const QImage image = grabbed(s);
        // YUV 4:2:0 of saturated colours loses a little on the way.
        const int tolerance = format == AV_PIX_FMT_RGB24 || format == AV_PIX_FMT_BGR24 ? 3 : 8;
        CHECK_PIXEL(image, 80, 45, colours[0], tolerance);
        CHECK_PIXEL(image, 240, 45, colours[1], tolerance);
        CHECK_PIXEL(image, 80, 135, colours[2], tolerance);
        CHECK_PIXEL(image, 240, 135, colours[3], tolerance);
        // The picture reaches all four corners.
        CHECK_PIXEL(image, 0, 0, colours[0], tolerance);
        CHECK_PIXEL(image, 319, 0, colours[1], tolerance);
        CHECK_PIXEL(image, 0, 179, colours[2], tolerance);
        CHECK_PIXEL(image, 319, 179, colours[3], tolerance);
    }

    // The region of interest, whole frame and odd cuts of odd frames.
    void regionOfInterest_data()
    {
        addIdColumn();
        QTest::addColumn<QSize>("frameSize");
        QTest::addColumn<QRectF>("roi");
        QTest::addColumn<QSize>("widgetSize");
        QTest::addColumn<int>("mode");
        for (const QString &id : ids()) {
            QTest::addRow("%s whole", qPrintable(id))
                << id << QSize(320, 180) << QRectF() << QSize(320, 180)
                << int(VideoRenderer::VideoAspectRatio);
            QTest::addRow("%s centre", qPrintable(id))
                << id << QSize(320, 180) << QRectF(0.25, 0.25, 0.5, 0.5) << QSize(320, 180)
                << int(VideoRenderer::VideoAspectRatio);
            QTest::addRow("%s corner in 4:3", qPrintable(id))
                << id << QSize(320, 180) << QRectF(0.5, 0.5, 0.5, 0.5) << QSize(240, 180)
                << int(VideoRenderer::VideoAspectRatio);
            QTest::addRow("%s odd frame odd cut", qPrintable(id))
                << id << QSize(322, 182) << QRectF(0.13, 0.27, 0.51, 0.33) << QSize(300, 200)
                << int(VideoRenderer::RendererAspectRatio);
            QTest::addRow("%s odder frame odd cut", qPrintable(id))
                << id << QSize(321, 181) << QRectF(0.31, 0.07, 0.47, 0.61) << QSize(257, 171)
                << int(VideoRenderer::VideoAspectRatio);
        }
    }
    void regionOfInterest()
    {
        QFETCH(QString, id);
        QFETCH(QSize, frameSize);
        QFETCH(QRectF, roi);
        QFETCH(QSize, widgetSize);
        QFETCH(int, mode);
        Shown s = showRenderer(id, widgetSize);
        s.renderer->setOutAspectRatioMode(VideoRenderer::OutAspectRatioMode(mode));
        s.renderer->setRegionOfInterest(roi);
        s.renderer->receive(gridFrame(frameSize));
        checkGrid(s, frameSize);
        if (roi == QRectF(0.25, 0.25, 0.5, 0.5)) {
            // The centre half, two times larger: cells 5, 6, 9, 10 fill it.
            const QImage image = grabbed(s);
            QCOMPARE(cellOfGrey(image.pixel(80, 45)), 5);
            QCOMPARE(cellOfGrey(image.pixel(240, 45)), 6);
            QCOMPARE(cellOfGrey(image.pixel(80, 135)), 9);
            QCOMPARE(cellOfGrey(image.pixel(240, 135)), 10);
        }
        // Back to the whole frame (the overview and the main picture share
        // one player and switch like this).
        s.renderer->setRegionOfInterest(QRectF());
        checkGrid(s, frameSize);
    }

    // A region inside one coloured quadrant shows that colour only: the
    // chroma is cut at the same place as the luma.
    void regionInQuadrant_data()
    {
        addIdColumn();
        QTest::addColumn<int>("format");
        QTest::addColumn<QRectF>("roi");
        QTest::addColumn<int>("quadrant");
        for (const QString &id : ids()) {
            for (const int format :
                {int(AV_PIX_FMT_YUV420P), int(AV_PIX_FMT_NV12), int(AV_PIX_FMT_RGB24)}) {
                QTest::addRow("%s %d top right", qPrintable(id), format)
                    << id << format << QRectF(0.5, 0.0, 0.5, 0.5) << 1;
                QTest::addRow("%s %d bottom left", qPrintable(id), format)
                    << id << format << QRectF(0.0, 0.5, 0.5, 0.5) << 2;
                QTest::addRow("%s %d odd inside bottom right", qPrintable(id), format)
                    << id << format << QRectF(0.517, 0.533, 0.311, 0.29) << 3;
            }
        }
    }
    void regionInQuadrant()
    {
        QFETCH(QString, id);
        QFETCH(int, format);
        QFETCH(QRectF, roi);
        QFETCH(int, quadrant);
        const QColor colours[4]
            = {QColor(200, 30, 30), QColor(30, 200, 30), QColor(30, 30, 200), QColor(200, 200, 40)};
        const QSize size(322, 182);
        Shown s = showRenderer(id, QSize(200, 120));
        s.renderer->setOutAspectRatioMode(VideoRenderer::RendererAspectRatio);
        s.renderer->setRegionOfInterest(roi);
        s.renderer->receive(pictureFrame(size, AVPixelFormat(format), false,
            [&](int x, int y) { return colours[(y >= 90 ? 2 : 0) + (x >= 160 ? 1 : 0)]; }));
        const QImage image = grabbed(s);
        // The edges of the region touch the neighbours (filtering); 3 px in.
        for (int y = 3; y < image.height() - 3; y += 4)
            for (int x = 3; x < image.width() - 3; x += 4)
                CHECK_PIXEL(image, x, y, colours[quadrant], 10);
    }

    void aspectModes_data()
    {
        addIdColumn();
        QTest::addColumn<int>("mode");
        QTest::addColumn<QSize>("frameSize");
        QTest::addColumn<QRectF>("roi");
        QTest::addColumn<QRect>("expected");
        for (const QString &id : ids()) {
            QTest::addRow("%s video letterbox", qPrintable(id))
                << id << int(VideoRenderer::VideoAspectRatio) << QSize(320, 180) << QRectF()
                << QRect(0, 30, 320, 180);
            QTest::addRow("%s video 4:3 fills", qPrintable(id))
                << id << int(VideoRenderer::VideoAspectRatio) << QSize(240, 180) << QRectF()
                << QRect(0, 0, 320, 240);
            QTest::addRow("%s video region pillarbox", qPrintable(id))
                << id << int(VideoRenderer::VideoAspectRatio) << QSize(320, 180)
                << QRectF(0, 0, 0.5, 1) << QRect(53, 0, 213, 240);
            QTest::addRow("%s custom 16/9 of 4:3", qPrintable(id))
                << id << int(VideoRenderer::CustomAspectRatio) << QSize(240, 180) << QRectF()
                << QRect(0, 30, 320, 180);
            QTest::addRow("%s renderer fills", qPrintable(id))
                << id << int(VideoRenderer::RendererAspectRatio) << QSize(320, 180) << QRectF()
                << QRect(0, 0, 320, 240);
        }
    }
    void aspectModes()
    {
        QFETCH(QString, id);
        QFETCH(int, mode);
        QFETCH(QSize, frameSize);
        QFETCH(QRectF, roi);
        QFETCH(QRect, expected);
        Shown s = showRenderer(id, QSize(320, 240));
        s.renderer->setOutAspectRatioMode(VideoRenderer::OutAspectRatioMode(mode));
        s.renderer->setOutAspectRatio(16.0 / 9.0);
        s.renderer->setRegionOfInterest(roi);
        const QColor colour(180, 140, 60);
        s.renderer->receive(
            pictureFrame(frameSize, AV_PIX_FMT_YUV420P, false, [&](int, int) { return colour; }));
        QCOMPARE(s.renderer->outputRect(frameSize, 1.0, QSize(320, 240)), expected);
        const QImage image = grabbed(s);
        // Inside: the colour along every edge; outside: black.
        for (int i = 2; i < 30; ++i) {
            const int x = expected.left() + i * (expected.width() - 1) / 30;
            const int y = expected.top() + i * (expected.height() - 1) / 30;
            CHECK_PIXEL(image, x, expected.top() + 1, colour, 6);
            CHECK_PIXEL(image, x, expected.bottom() - 1, colour, 6);
            CHECK_PIXEL(image, expected.left() + 1, y, colour, 6);
            CHECK_PIXEL(image, expected.right() - 1, y, colour, 6);
            if (expected.top() > 2) {
                CHECK_PIXEL(image, x, expected.top() - 2, QColor(Qt::black), 0);
                CHECK_PIXEL(image, x, expected.bottom() + 2, QColor(Qt::black), 0);
                CHECK_PIXEL(image, x, 0, QColor(Qt::black), 0);
            }
            if (expected.left() > 2) {
                CHECK_PIXEL(image, expected.left() - 2, y, QColor(Qt::black), 0);
                CHECK_PIXEL(image, expected.right() + 2, y, QColor(Qt::black), 0);
                CHECK_PIXEL(image, 0, y, QColor(Qt::black), 0);
            }
        }
    }

    // Odd frame sizes with garbage in the stride padding: the edges show
    // the picture, never the padding or a misplaced chroma column.
    void oddSizes_data()
    {
        addIdColumn();
        QTest::addColumn<QSize>("frameSize");
        QTest::addColumn<int>("format");
        for (const QString &id : ids()) {
            for (const QSize size : {QSize(322, 182), QSize(321, 181), QSize(17, 9)}) {
                for (const int format :
                    {int(AV_PIX_FMT_YUV420P), int(AV_PIX_FMT_NV12), int(AV_PIX_FMT_RGB24)})
                    QTest::addRow(
                        "%s %dx%d %d", qPrintable(id), size.width(), size.height(), format)
                        << id << size << format;
            }
        }
    }
    void oddSizes()
    {
        QFETCH(QString, id);
        QFETCH(QSize, frameSize);
        QFETCH(int, format);
        const QColor colour(90, 160, 120);
        Shown s = showRenderer(id, QSize(331, 187));
        s.renderer->setOutAspectRatioMode(VideoRenderer::RendererAspectRatio);
        s.renderer->receive(pictureFrame(
            frameSize, AVPixelFormat(format), false, [&](int, int) { return colour; }));
        const QImage image = grabbed(s);
        const int tolerance = format == AV_PIX_FMT_RGB24 ? 3 : 6;
        for (int x = 0; x < image.width(); ++x) {
            CHECK_PIXEL(image, x, 0, colour, tolerance);
            CHECK_PIXEL(image, x, image.height() - 1, colour, tolerance);
        }
        for (int y = 0; y < image.height(); ++y) {
            CHECK_PIXEL(image, 0, y, colour, tolerance);
            CHECK_PIXEL(image, image.width() - 1, y, colour, tolerance);
        }
        // An odd region of interest on it: still only the picture.
        s.renderer->setRegionOfInterest(QRectF(0.61, 0.53, 0.39, 0.47));
        const QImage cut = grabbed(s);
        for (int x = 0; x < cut.width(); x += 3) {
            CHECK_PIXEL(cut, x, cut.height() - 1, colour, tolerance);
            CHECK_PIXEL(cut, cut.width() - 1, x * cut.height() / cut.width(), colour, tolerance);
        }
    }

    // A demo card frame: the frame-number strip reads back from the shown
    // picture, at the frame's size and scaled.
    void cardFrameStrip_data()
    {
        addIdColumn();
        QTest::addColumn<QSize>("widgetSize");
        for (const QString &id : ids()) {
            QTest::addRow("%s 1:1", qPrintable(id)) << id << QSize(320, 180);
            QTest::addRow("%s larger", qPrintable(id)) << id << QSize(560, 315);
            QTest::addRow("%s smaller", qPrintable(id)) << id << QSize(240, 135);
        }
    }
    void cardFrameStrip()
    {
        QFETCH(QString, id);
        QFETCH(QSize, widgetSize);
        Shown s = showRenderer(id, widgetSize);
        for (const int index : {0, 13, 37}) {
            const VideoFrame frame = KVMediaFixture::decodeFrame(_cardFront, index);
            QVERIFY(frame.isValid());
            QCOMPARE(frame.size(), QSize(320, 180));
            const int number = frame.frameNumber();
            QVERIFY(number >= 0);
            s.renderer->receive(frame);
            QCOMPARE(kvm::readFrameStrip(grabbed(s)), number);
        }
    }

    // A frame handed over on another thread is painted once the event loop
    // runs: checked on the screen, not by grab() (which paints by itself).
    void frameFromOtherThread_data() { blackWithoutFrame_data(); }
    void frameFromOtherThread()
    {
        QFETCH(QString, id);
        Shown s = showRenderer(id, QSize(160, 90));
        QTRY_VERIFY(near(onScreen(s).pixel(80, 45), Qt::black, 0));
        const QColor colour(200, 100, 50);
        const VideoFrame frame = pictureFrame(
            QSize(64, 36), AV_PIX_FMT_RGB24, false, [&](int, int) { return colour; });
        std::thread presenter([&] { s.renderer->receive(frame); });
        presenter.join();
        QTRY_VERIFY_WITH_TIMEOUT(near(onScreen(s).pixel(80, 45), colour, 3), 5000);
    }

    // The video frame takes the renderer widget into its own layout (a new
    // window for the widget: a new GL context); the picture follows, and
    // later frames show too.
    void movedToAnotherWindow_data() { blackWithoutFrame_data(); }
    void movedToAnotherWindow()
    {
        QFETCH(QString, id);
        Shown s = showRenderer(id, QSize(160, 90));
        const QColor first(200, 30, 30);
        const QColor second(30, 30, 200);
        s.renderer->receive(pictureFrame(
            QSize(64, 36), AV_PIX_FMT_YUV420P, false, [&](int, int) { return first; }));
        CHECK_PIXEL(grabbed(s), 80, 45, first, 8);

        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        s.widget()->setParent(&window);
        layout->addWidget(s.widget());
        window.resize(200, 120);
        window.show();
        s.widget()->show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CHECK_PIXEL(grabbed(s), 80, 45, first, 8);
        QTRY_VERIFY(near(window.grab().toImage().pixel(80, 45), first, 8));
        s.renderer->receive(pictureFrame(
            QSize(64, 36), AV_PIX_FMT_YUV420P, false, [&](int, int) { return second; }));
        CHECK_PIXEL(grabbed(s), 80, 45, second, 8);
        s.renderer.reset(); // before the window that holds it
    }

    // Repaints without a new frame reuse the textures / converted picture.
    void convertsOnlyNewFrames_data() { blackWithoutFrame_data(); }
    void convertsOnlyNewFrames()
    {
        QFETCH(QString, id);
        Shown s = showRenderer(id, QSize(160, 90));
        const auto count = [&] {
            if (auto *gl = dynamic_cast<kvm::GLWidgetRenderer *>(s.renderer.get()))
                return gl->uploadCount();
            return dynamic_cast<kvm::WidgetRenderer *>(s.renderer.get())->conversionCount();
        };
        const VideoFrame a = gridFrame(QSize(64, 36));
        const VideoFrame b = gridFrame(QSize(64, 36));
        s.renderer->receive(a);
        grabbed(s);
        const int first = count();
        QVERIFY(first >= 1);
        grabbed(s);
        s.widget()->repaint();
        s.renderer->receive(a); // the same picture handed again (a swap)
        grabbed(s);
        QCOMPARE(count(), first);
        s.renderer->receive(b);
        grabbed(s);
        QCOMPARE(count(), first + 1);
    }

    // A thread keeps handing frames (as a presenter does, under its lock)
    // while the renderer is destroyed on the GUI thread; the feeder stops
    // feeding it under the same lock first, as detachFromPlayer() does.
    void destroyWhileReceiving_data() { blackWithoutFrame_data(); }
    void destroyWhileReceiving()
    {
        QFETCH(QString, id);
        const VideoFrame frames[2] = {gridFrame(QSize(320, 180)), gridFrame(QSize(160, 90))};
        std::mutex lock;
        VideoRenderer *target = nullptr;
        std::atomic<bool> running{true};
        std::atomic<int> handed{0};
        std::thread presenter([&] {
            int i = 0;
            while (running) {
                std::lock_guard guard(lock);
                if (target) {
                    target->receive(frames[i++ % 2]);
                    ++handed;
                }
            }
        });
        for (int round = 0; round < 10; ++round) {
            Shown s = showRenderer(id, QSize(160, 90));
            {
                std::lock_guard guard(lock);
                target = s.renderer.get();
            }
            const int before = handed;
            QTRY_VERIFY(handed > before + 50);
            QTest::qWait(20); // paints while frames arrive
            {
                std::lock_guard guard(lock);
                target = nullptr;
            }
            // Queued repaints of the renderer are still pending here.
            s.renderer.reset();
            QCoreApplication::processEvents();
        }
        running = false;
        presenter.join();
    }

    // The same with a real player: a renderer destroyed while the player's
    // presenter thread keeps presenting frames to it.
    void destroyWhilePlaying_data() { blackWithoutFrame_data(); }
    void destroyWhilePlaying()
    {
        QFETCH(QString, id);
        kvm::AVPlayer player;
        player.setFile(_cardFront);
        player.play();
        for (int round = 0; round < 6; ++round) {
            Shown s = showRenderer(id, QSize(160, 90));
            player.addVideoRenderer(s.renderer.get());
            if (!player.isPlaying() || player.mediaStatus() == kvm::EndOfMedia) {
                player.stop();
                player.play();
            }
            QTRY_VERIFY_WITH_TIMEOUT(s.renderer->currentFrame().isValid(), 10000);
            QTest::qWait(30 + 10 * round);
            s.renderer.reset(); // detaches first
            QVERIFY(player.videoOutputs().isEmpty());
        }
        player.stop();
    }
};

// As KV_TEST_MAIN, and KV_TEST_GL_PROFILE=core or es asks for another kind of
// OpenGL context for every widget (see otherContextKinds()).
int main(int argc, char **argv)
{
    const QString profile = qEnvironmentVariable("KV_TEST_GL_PROFILE");
    if (!profile.isEmpty()) {
        QSurfaceFormat format;
        if (profile == QLatin1String("core")) {
            format.setVersion(3, 3);
            format.setProfile(QSurfaceFormat::CoreProfile);
        } else {
            format.setRenderableType(QSurfaceFormat::OpenGLES);
            format.setVersion(2, 0);
        }
        QSurfaceFormat::setDefaultFormat(format);
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestRenderers tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_renderers.moc"
