#include "kv_media_fixtures.h"

#include "kv_test_util.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace KVMediaFixture
{

QStringList makeCard(const QString &folder, QSize front, QSize rear, int seconds, int recordings,
    QString *error, int fps)
{
    const QString program = KVTest::builtProgram(QStringLiteral("korvid-mkcard"));
    if (!QFileInfo::exists(program)) {
        *error = QStringLiteral("korvid-mkcard is not built");
        return {};
    }
    QStringList args{QStringLiteral("--front"),
        QStringLiteral("%1x%2").arg(front.width()).arg(front.height()), QStringLiteral("--rear"),
        QStringLiteral("%1x%2").arg(rear.width()).arg(rear.height()), QStringLiteral("--seconds"),
        QString::number(seconds), QStringLiteral("--recordings"), QString::number(recordings)};
    if (fps > 0)
        args << QStringLiteral("--fps") << QString::number(fps);
    QProcess mk;
    mk.start(program, args << folder);
    if (!mk.waitForFinished(300000) || mk.exitCode() != 0) {
        *error = QString::fromLocal8Bit(mk.readAllStandardError()) + mk.errorString();
        return {};
    }
    QStringList fronts;
    QDir dir(folder);
    for (const QFileInfo &fi :
        dir.entryInfoList({QStringLiteral("*F.mp4")}, QDir::Files, QDir::Name))
        fronts << fi.absoluteFilePath();
    if (fronts.isEmpty())
        *error = QStringLiteral("no front files in ") + folder;
    return fronts;
}

QString makeSmallRecording(const QString &folder, int fps, int seconds)
{
    QString why;
    const QStringList fronts
        = makeCard(folder, QSize(320, 180), QSize(160, 90), seconds, 4, &why, fps);
    if (fronts.isEmpty())
        qWarning() << why;
    return fronts.value(0);
}

QString rearOf(const QString &frontPath)
{
    QString rear = frontPath;
    rear.replace(rear.size() - 5, 1, QLatin1Char('R'));
    return rear;
}

QString runFfmpeg(const QStringList &args)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
        QStringList{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y")} + args);
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0)
        return QString::fromLocal8Bit(ffmpeg.readAllStandardError()) + ffmpeg.errorString();
    return QString();
}

QString makeTestClip(const QString &path, QSize size, int seconds, bool faststart)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QStringList args{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("testsrc2=s=%1x%2:r=30:d=%3")
            .arg(size.width())
            .arg(size.height())
            .arg(seconds),
        QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
        QStringLiteral("ultrafast"), QStringLiteral("-bf"), QStringLiteral("0"),
        QStringLiteral("-g"), QStringLiteral("30"), QStringLiteral("-pix_fmt"),
        QStringLiteral("yuv420p")};
    if (faststart)
        args << QStringLiteral("-movflags") << QStringLiteral("+faststart");
    args << path;
    return runFfmpeg(args);
}

kvm::VideoFrame decodeFrame(const QString &path, int index)
{
    AVFormatContext *format = nullptr;
    if (avformat_open_input(&format, path.toLocal8Bit().constData(), nullptr, nullptr) < 0)
        return kvm::VideoFrame();
    kvm::VideoFrame result;
    avformat_find_stream_info(format, nullptr);
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream >= 0) {
        const AVCodecParameters *par = format->streams[stream]->codecpar;
        const AVCodec *codec = avcodec_find_decoder(par->codec_id);
        AVCodecContext *ctx = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(ctx, par);
        ctx->thread_count = 1;
        if (avcodec_open2(ctx, codec, nullptr) >= 0) {
            AVPacket *packet = av_packet_alloc();
            AVFrame *frame = av_frame_alloc();
            int seen = 0;
            bool draining = false;
            while (!result.isValid()) {
                if (!draining) {
                    const int r = av_read_frame(format, packet);
                    if (r < 0) {
                        draining = true;
                        avcodec_send_packet(ctx, nullptr);
                    } else {
                        if (packet->stream_index == stream)
                            avcodec_send_packet(ctx, packet);
                        av_packet_unref(packet);
                    }
                }
                int r = 0;
                while (!result.isValid() && (r = avcodec_receive_frame(ctx, frame)) >= 0) {
                    if (seen++ == index)
                        result = kvm::VideoFrame(frame, 0.0, 0);
                    av_frame_unref(frame);
                }
                if (draining && r < 0)
                    break;
            }
            av_frame_free(&frame);
            av_packet_free(&packet);
        }
        avcodec_free_context(&ctx);
    }
    avformat_close_input(&format);
    return result;
}

} // namespace KVMediaFixture
