#include "videoframe.h"

#include "colormatrix.h"
#include "framestrip.h"

#include <cmath>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace kvm
{

namespace
{
void freeFrame(AVFrame *frame)
{
    av_frame_free(&frame);
}

} // namespace

VideoFrame::VideoFrame(const AVFrame *frame, double ptsSeconds, int serial)
    : _pts(ptsSeconds), _serial(serial)
{
    if (!frame)
        return;
    AVFrame *copy = av_frame_alloc();
    if (!copy)
        return;
    if (av_frame_ref(copy, frame) < 0) {
        av_frame_free(&copy);
        return;
    }
    _frame.reset(copy, freeFrame);
}

qint64 VideoFrame::ptsMs() const
{
    // Rounded up (but for the noise of the time-base product), so the
    // millisecond reported for a frame lies within the frame: an exact seek
    // to it shows this frame again. Rounded to the nearest, the second frame
    // at 30 fps (33.33 ms) was reported as 33, and a pause, resume or zoom
    // (which seek to the position) stepped back to the first.
    return qint64(std::ceil(_pts * 1000.0 - 1e-6));
}

int VideoFrame::width() const
{
    return _frame ? _frame->width : 0;
}

int VideoFrame::height() const
{
    return _frame ? _frame->height : 0;
}

AVPixelFormat VideoFrame::pixelFormat() const
{
    return _frame ? AVPixelFormat(_frame->format) : AV_PIX_FMT_NONE;
}

double VideoFrame::sampleAspectRatio() const
{
    if (!_frame || _frame->sample_aspect_ratio.num <= 0 || _frame->sample_aspect_ratio.den <= 0)
        return 1.0;
    return av_q2d(_frame->sample_aspect_ratio);
}

int VideoFrame::planeCount() const
{
    if (!_frame)
        return 0;
    const int n = av_pix_fmt_count_planes(pixelFormat());
    return n > 0 ? n : 0;
}

const uint8_t *VideoFrame::bits(int plane) const
{
    if (!_frame || plane < 0 || plane >= AV_NUM_DATA_POINTERS)
        return nullptr;
    return _frame->data[plane];
}

int VideoFrame::bytesPerLine(int plane) const
{
    if (!_frame || plane < 0 || plane >= AV_NUM_DATA_POINTERS)
        return 0;
    return _frame->linesize[plane];
}

QImage VideoFrame::toImage() const
{
    if (!_frame || width() <= 0 || height() <= 0)
        return QImage();
    const int w = width();
    const int h = height();
    QImage image(w, h, QImage::Format_RGB888);
    if (image.isNull())
        return image;
    if (pixelFormat() == AV_PIX_FMT_RGB24) {
        for (int y = 0; y < h; ++y)
            memcpy(image.scanLine(y), _frame->data[0] + y * _frame->linesize[0], size_t(w) * 3);
        return image;
    }
    SwsContext *sws = sws_getContext(w, h, withoutJpegRange(pixelFormat()), w, h, AV_PIX_FMT_RGB24,
        SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws)
        return QImage();
    // The frame's own colour matrix and range, as the renderers use them.
    setSwsYuvStandard(sws, _frame.get());
    uint8_t *dst[4] = {image.bits(), nullptr, nullptr, nullptr};
    int dstStride[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(sws, _frame->data, _frame->linesize, 0, h, dst, dstStride);
    sws_freeContext(sws);
    return image;
}

int VideoFrame::frameNumber() const
{
    if (!_frame)
        return -1;
    switch (pixelFormat()) {
    case AV_PIX_FMT_YUV420P:
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUV422P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUV444P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_NV12:
    case AV_PIX_FMT_NV21:
    case AV_PIX_FMT_GRAY8:
        return readFrameStrip(_frame->data[0], _frame->linesize[0], width(), height());
    default:
        break;
    }
    // Any other format (RGB after a filter): only the strip rows matter.
    const QImage image = toImage();
    if (image.isNull())
        return -1;
    return readFrameStrip(image);
}

} // namespace kvm
