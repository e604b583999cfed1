// The colours of the picture on real files: clips of four solid bars of
// known RGB colours, encoded by the ffmpeg program as BT.709 limited range
// (HD), BT.601 limited range (SD) and BT.601 full range (yuvj420p), each
// tagged as such. The same colours must come out of every place a frame
// becomes RGB: the frame's own conversion, the saved JPEG read back, the
// flip and brightness/contrast filter graphs, and both renderer widgets.

#include "kv_media_fixtures.h"
#include "kv_test_main.h"
#include "kv_test_util.h"

#include "media/filtergraph.h"
#include "media/render/widgetrenderers.h"
#include "media/videocapture.h"
#include "media/videoframe.h"
#include "media/videorenderer.h"

#include <QDir>
#include <QImageReader>

#include <cmath>
#include <memory>

extern "C" {
#include <libavutil/frame.h>
}

using namespace kvm;

namespace
{

const QColor kBars[4]
    = {QColor(200, 40, 40), QColor(40, 180, 60), QColor(50, 60, 200), QColor(220, 200, 60)};

struct Clip {
    const char *name;
    QSize size;
    const char *matrix; // for the scale filter that makes the samples
    const char *range; // tv or pc
    const char *pixFmt;
    const char *tag; // -colorspace and friends; none for an untagged clip
};

const Clip kClips[] = {
    {"709 limited HD", QSize(1280, 720), "bt709", "tv", "yuv420p", "bt709"},
    {"601 limited SD", QSize(640, 480), "bt601", "tv", "yuv420p", "smpte170m"},
    {"601 full yuvj", QSize(640, 480), "bt601", "pc", "yuvj420p", "smpte170m"},
    // Untagged: HD pictures are taken as BT.709, SD ones as BT.601.
    {"untagged HD", QSize(1280, 720), "bt709", "tv", "yuv420p", nullptr},
    {"untagged SD", QSize(640, 480), "bt601", "tv", "yuv420p", nullptr},
};

QString makeBars(const QString &path, const Clip &clip)
{
    const int w = clip.size.width() / 4;
    const int h = clip.size.height();
    QString graph;
    for (int i = 0; i < 4; ++i)
        graph += QStringLiteral("color=c=0x%1:s=%2x%3:d=1,format=rgb24[b%4];")
                     .arg(QString::asprintf(
                         "%02X%02X%02X", kBars[i].red(), kBars[i].green(), kBars[i].blue()))
                     .arg(w)
                     .arg(h)
                     .arg(i);
    graph += QStringLiteral("[b0][b1][b2][b3]hstack=4,scale=out_color_matrix=%1:out_range=%2,"
                            "format=%3[v]")
                 .arg(QLatin1String(clip.matrix), QLatin1String(clip.range),
                     QLatin1String(clip.pixFmt));
    QStringList args{QStringLiteral("-filter_complex"), graph, QStringLiteral("-map"),
        QStringLiteral("[v]"), QStringLiteral("-c:v"), QStringLiteral("libx264"),
        QStringLiteral("-qp"), QStringLiteral("4"), QStringLiteral("-r"), QStringLiteral("30")};
    if (clip.tag) {
        const QString tag = QLatin1String(clip.tag);
        args << QStringLiteral("-colorspace") << tag << QStringLiteral("-color_primaries") << tag
             << QStringLiteral("-color_trc") << tag << QStringLiteral("-color_range")
             << QLatin1String(clip.range);
    }
    return KVMediaFixture::runFfmpeg(args << path);
}

QString describe(QRgb p)
{
    return QStringLiteral("(%1,%2,%3)").arg(qRed(p)).arg(qGreen(p)).arg(qBlue(p));
}

// Empty when the middle of each bar of image shows its colour within
// tolerance; else what differs. Bar i of a picture mirrored left-right is
// bar 3 - i.
QString checkBars(const QImage &image, bool mirrored, int tolerance)
{
    if (image.isNull())
        return QStringLiteral("no picture");
    QString why;
    for (int i = 0; i < 4; ++i) {
        const QColor want = kBars[mirrored ? 3 - i : i];
        const QRgb got = image.pixel(image.width() * (2 * i + 1) / 8, image.height() / 2);
        if (std::abs(qRed(got) - want.red()) > tolerance
            || std::abs(qGreen(got) - want.green()) > tolerance
            || std::abs(qBlue(got) - want.blue()) > tolerance)
            why += QStringLiteral(" bar %1 is %2, want %3")
                       .arg(i)
                       .arg(describe(got), describe(want.rgb()));
    }
    return why;
}

#define CHECK_BARS(image, mirrored, tolerance, what)                                               \
    do {                                                                                           \
        const QString why = checkBars((image), (mirrored), (tolerance));                           \
        QVERIFY2(why.isEmpty(), qPrintable(QStringLiteral(what) + why));                           \
    } while (false)

// The frame a filter graph makes of frame.
VideoFrame filteredFrame(const VideoFrame &frame, const QString &options)
{
    FilterGraph graph;
    QString why;
    AVFrame *out = graph.run(options, frame.avFrame(), &why);
    if (!out) {
        qWarning() << "filter" << options << "failed:" << why;
        return VideoFrame();
    }
    const VideoFrame result(out, 0.0, 0);
    av_frame_free(&out);
    return result;
}

QImage filtered(const VideoFrame &frame, const QString &options)
{
    return filteredFrame(frame, options).toImage();
}

} // namespace

class TestMediaColours : public QObject
{
    Q_OBJECT

    QString _dir;

private slots:
    void initTestCase()
    {
        kvm::registerWidgetRenderers();
        _dir = KVTest::makeTempDir(QStringLiteral("colours"));
    }

    void sameColoursEverywhere_data()
    {
        QTest::addColumn<int>("clip");
        for (int i = 0; i < int(std::size(kClips)); ++i)
            QTest::newRow(kClips[i].name) << i;
    }

    void sameColoursEverywhere()
    {
        QFETCH(int, clip);
        const Clip &c = kClips[clip];
        const QString path = QDir(_dir).filePath(QStringLiteral("bars%1.mp4").arg(clip));
        const QString made = makeBars(path, c);
        QVERIFY2(made.isEmpty(), qPrintable(made));
        const VideoFrame frame = KVMediaFixture::decodeFrame(path, 0);
        QVERIFY(frame.isValid());
        QCOMPARE(frame.size(), c.size);
        if (!c.tag) {
            QCOMPARE(frame.avFrame()->colorspace, AVCOL_SPC_UNSPECIFIED);
            QCOMPARE(frame.avFrame()->color_range, AVCOL_RANGE_UNSPECIFIED);
        }

        // Compression of flat bars keeps the samples within a step or two.
        const int tolerance = 6;
        CHECK_BARS(frame.toImage(), false, tolerance, "converted frame:");

        const QString jpeg = QDir(_dir).filePath(QStringLiteral("bars%1.jpg").arg(clip));
        QCOMPARE(VideoCapture::writeJpeg(frame, jpeg, 95), QString());
        QImageReader reader(jpeg);
        CHECK_BARS(reader.read(), false, tolerance, "saved JPEG:");

        CHECK_BARS(filtered(frame, QStringLiteral("format=pix_fmts=rgb24")), false, tolerance,
            "filter graph:");
        CHECK_BARS(filtered(frame, QStringLiteral("format=pix_fmts=rgb24,hflip")), true, tolerance,
            "flipped:");
        // Neutral brightness and contrast change nothing.
        CHECK_BARS(filtered(frame, QStringLiteral("format=pix_fmts=rgb24,eq=brightness=0.000")),
            false, tolerance, "equaliser:");
        // Flip and equaliser one after the other, as the player runs them.
        CHECK_BARS(filtered(filteredFrame(frame, QStringLiteral("format=pix_fmts=rgb24,hflip")),
                       QStringLiteral("format=pix_fmts=rgb24,eq=brightness=0.000")),
            true, tolerance, "flipped, then equaliser:");

        for (const QString &id : {QStringLiteral("Widget"), QStringLiteral("OpenGLWidget")}) {
            std::unique_ptr<VideoRenderer> renderer(VideoRenderer::create(id));
            QVERIFY(renderer);
            renderer->widget()->setFixedSize(c.size / 4);
            renderer->widget()->show();
            QVERIFY(QTest::qWaitForWindowExposed(renderer->widget()));
            renderer->receive(frame);
            QString why = QStringLiteral("nothing painted");
            for (int i = 0; i < 100 && !why.isEmpty(); ++i) {
                QTest::qWait(20);
                why = checkBars(renderer->widget()->grab().toImage(), false, tolerance);
            }
            QVERIFY2(why.isEmpty(), qPrintable(id + QStringLiteral(" renderer:") + why));
        }
    }
};

KV_TEST_MAIN(TestMediaColours)
#include "tst_media_colours.moc"
