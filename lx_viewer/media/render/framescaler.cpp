#include "framescaler.h"

#include "../colormatrix.h"

#include <QtDebug>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace kvm
{

namespace
{

// Formats whose planes can be cut by pointer offsets.
const AVPixFmtDescriptor *cuttableDescriptor(AVPixelFormat format)
{
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(format);
    if (!desc)
        return nullptr;
    if (desc->flags & (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM))
        return nullptr;
    return desc;
}

} // namespace

FrameScaler::~FrameScaler()
{
    sws_freeContext(_sws);
}

QRect FrameScaler::alignedSource(const VideoFrame &frame, const QRect &wanted)
{
    const AVPixFmtDescriptor *desc = cuttableDescriptor(frame.pixelFormat());
    if (!desc || frame.size().isEmpty())
        return QRect();
    QRect r = wanted.intersected(QRect(QPoint(0, 0), frame.size()));
    if (r.isEmpty())
        r = QRect(QPoint(0, 0), frame.size());
    const int ax = (1 << desc->log2_chroma_w) - 1;
    const int ay = (1 << desc->log2_chroma_h) - 1;
    const int x = r.x() & ~ax;
    const int y = r.y() & ~ay;
    return QRect(x, y, r.right() + 1 - x, r.bottom() + 1 - y);
}

QImage FrameScaler::convert(const VideoFrame &frame, const QRect &source, const QSize &size)
{
    if (!frame.isValid() || size.isEmpty())
        return QImage();
    const QRect src = alignedSource(frame, source);
    if (src.isEmpty())
        return QImage();
    const AVFrame *f = frame.avFrame();
    const AVPixelFormat format = frame.pixelFormat();
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(format);

    // Cut: offset each plane's pointer to the rectangle's corner.
    int steps[4] = {0, 0, 0, 0};
    av_image_fill_max_pixsteps(steps, nullptr, desc);
    const int planes = av_pix_fmt_count_planes(format);
    const uint8_t *data[4] = {nullptr, nullptr, nullptr, nullptr};
    int strides[4] = {0, 0, 0, 0};
    for (int p = 0; p < 4 && p < AV_NUM_DATA_POINTERS; ++p) {
        if (!f->data[p])
            continue;
        strides[p] = f->linesize[p];
        if (p >= planes || ((desc->flags & AV_PIX_FMT_FLAG_PAL) && p == 1)) {
            data[p] = f->data[p]; // palette: not a picture plane
            continue;
        }
        const bool chroma = (p == 1 || p == 2) && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
        const int sx = chroma ? desc->log2_chroma_w : 0;
        const int sy = chroma ? desc->log2_chroma_h : 0;
        data[p] = f->data[p] + qint64(src.y() >> sy) * f->linesize[p]
            + qint64(src.x() >> sx) * steps[p];
    }

    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    _sws = sws_getCachedContext(_sws, src.width(), src.height(), withoutJpegRange(format),
        size.width(), size.height(), AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!_sws) {
        qWarning() << "swscale refuses" << av_get_pix_fmt_name(format) << src.size() << "to" << size
                   << "[" << Q_FUNC_INFO << __LINE__ << "]";
        return QImage();
    }
    setSwsYuvStandard(_sws, f);
    uint8_t *dst[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {int(image.bytesPerLine()), 0, 0, 0};
    const int rows = sws_scale(_sws, data, strides, 0, src.height(), dst, dstStride);
    if (rows <= 0)
        return QImage();
    return image;
}

} // namespace kvm
