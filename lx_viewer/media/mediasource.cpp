#include "mediasource.h"

#include <QtDebug>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace kvm
{

MediaSource::~MediaSource()
{
    if (_fmt)
        avformat_close_input(&_fmt);
}

AVStream *MediaSource::videoStream() const
{
    return _video >= 0 ? _fmt->streams[_video] : nullptr;
}

AVStream *MediaSource::audioStream() const
{
    return _audio >= 0 ? _fmt->streams[_audio] : nullptr;
}

std::unique_ptr<MediaSource> MediaSource::open(const QString &path, AVError *error)
{
    std::unique_ptr<MediaSource> m(new MediaSource);
    const QByteArray name = path.toUtf8();
    int ret = avformat_open_input(&m->_fmt, name.constData(), nullptr, nullptr);
    if (ret < 0) {
        m->_fmt = nullptr;
        *error = AVError(AVError::OpenError, path, ret);
        return nullptr;
    }
    ret = avformat_find_stream_info(m->_fmt, nullptr);
    if (ret < 0) {
        *error = AVError(AVError::FindStreamInfoError, path, ret);
        return nullptr;
    }
    const AVCodec *codec = nullptr;
    m->_video = av_find_best_stream(m->_fmt, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (m->_video < 0 || !codec) {
        *error = AVError(AVError::StreamNotFound, path, m->_video < 0 ? m->_video : 0);
        return nullptr;
    }
    AVStream *vs = m->_fmt->streams[m->_video];
    if (vs->codecpar->width <= 0 || vs->codecpar->height <= 0) {
        *error = AVError(AVError::StreamNotFound, path + QStringLiteral(": no picture size"));
        return nullptr;
    }
    // The probe decodes the first picture to learn its pixel format: none
    // means no picture could be read (the header is there, its data is
    // not), and playing would wait for a first frame that never comes.
    if (vs->codecpar->format < 0) {
        *error = AVError(AVError::StreamNotFound, path + QStringLiteral(": no picture to decode"));
        return nullptr;
    }
    // The decoder must open; the decoder thread opens its own later.
    AVCodecContext *ctx = avcodec_alloc_context3(codec);
    ret = ctx ? avcodec_parameters_to_context(ctx, vs->codecpar) : AVERROR(ENOMEM);
    if (ret >= 0)
        ret = avcodec_open2(ctx, codec, nullptr);
    avcodec_free_context(&ctx);
    if (ret < 0) {
        *error = AVError(AVError::OpenCodecError, path, ret);
        return nullptr;
    }
    m->_audio = av_find_best_stream(m->_fmt, AVMEDIA_TYPE_AUDIO, -1, m->_video, nullptr, 0);
    if (m->_audio < 0)
        m->_audio = -1;

    MediaInfo &info = m->_info;
    info.size = QSize(vs->codecpar->width, vs->codecpar->height);
    AVRational rate = vs->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = vs->r_frame_rate;
    if (rate.num > 0 && rate.den > 0 && av_q2d(rate) > 1 && av_q2d(rate) < 240) {
        info.fps = av_q2d(rate);
        info.frameDuration = 1.0 / info.fps;
    }
    qint64 start = 0;
    if (vs->start_time != AV_NOPTS_VALUE)
        start = av_rescale_q(vs->start_time, vs->time_base, AVRational{1, 1000});
    else if (m->_fmt->start_time != AV_NOPTS_VALUE)
        start = m->_fmt->start_time / 1000;
    info.startMs = start;
    if (vs->duration != AV_NOPTS_VALUE && vs->duration > 0)
        info.durationMs = av_rescale_q(vs->duration, vs->time_base, AVRational{1, 1000});
    else if (m->_fmt->duration != AV_NOPTS_VALUE && m->_fmt->duration > 0)
        info.durationMs = m->_fmt->duration / 1000;
    info.hasAudio = m->_audio >= 0;
    return m;
}

} // namespace kvm
