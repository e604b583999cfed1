#include "colormatrix.h"

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace kvm
{

namespace
{

struct Coefficients {
    double kr;
    double kb;
};

Coefficients coefficientsOf(AVColorSpace space)
{
    switch (space) {
    case AVCOL_SPC_BT709:
        return {0.2126, 0.0722};
    case AVCOL_SPC_SMPTE240M:
        return {0.212, 0.087};
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return {0.2627, 0.0593};
    case AVCOL_SPC_FCC:
        return {0.30, 0.11};
    default:
        return {0.299, 0.114}; // BT.601 (BT470BG, SMPTE170M, unspecified)
    }
}

} // namespace

YuvStandard yuvStandardOf(const AVFrame *frame)
{
    YuvStandard s;
    if (!frame)
        return s;
    switch (frame->colorspace) {
    case AVCOL_SPC_BT709:
    case AVCOL_SPC_SMPTE240M:
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
    case AVCOL_SPC_FCC:
        s.space = frame->colorspace;
        break;
    case AVCOL_SPC_UNSPECIFIED:
    case AVCOL_SPC_RESERVED:
        // Untagged: HD pictures are BT.709, SD ones BT.601 (as video players
        // take them).
        s.space = frame->width >= 1280 || frame->height > 576 ? AVCOL_SPC_BT709 : AVCOL_SPC_BT470BG;
        break;
    default:
        s.space = AVCOL_SPC_BT470BG;
        break;
    }
    switch (AVPixelFormat(frame->format)) {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ411P:
        s.fullRange = true;
        break;
    default:
        s.fullRange = frame->color_range == AVCOL_RANGE_JPEG;
        break;
    }
    return s;
}

QMatrix4x4 yuvToRgbMatrix(const YuvStandard &standard)
{
    const Coefficients c = coefficientsOf(standard.space);
    const double kg = 1.0 - c.kr - c.kb;
    // Limited range: Y 16..235, U and V 16..240 (of 255).
    const double ys = standard.fullRange ? 1.0 : 255.0 / 219.0;
    const double cs = standard.fullRange ? 1.0 : 255.0 / 224.0;
    const double y0 = standard.fullRange ? 0.0 : 16.0 / 255.0;
    const double c0 = 128.0 / 255.0;

    const double rv = 2.0 * (1.0 - c.kr) * cs;
    const double gu = -2.0 * (1.0 - c.kb) * c.kb / kg * cs;
    const double gv = -2.0 * (1.0 - c.kr) * c.kr / kg * cs;
    const double bu = 2.0 * (1.0 - c.kb) * cs;

    // R = ys (Y - y0) + rv (V - c0), and so on; the offsets go in column 4.
    QMatrix4x4 m(float(ys), 0.0f, float(rv), float(-ys * y0 - rv * c0), //
        float(ys), float(gu), float(gv), float(-ys * y0 - (gu + gv) * c0), //
        float(ys), float(bu), 0.0f, float(-ys * y0 - bu * c0), //
        0.0f, 0.0f, 0.0f, 1.0f);
    return m;
}

int swsColorspaceOf(const YuvStandard &standard)
{
    switch (standard.space) {
    case AVCOL_SPC_BT709:
        return SWS_CS_ITU709;
    case AVCOL_SPC_SMPTE240M:
        return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return SWS_CS_BT2020;
    case AVCOL_SPC_FCC:
        return SWS_CS_FCC;
    default:
        return SWS_CS_ITU601;
    }
}

bool isYuvFormat(int format)
{
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(AVPixelFormat(format));
    return desc && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
}

AVPixelFormat withoutJpegRange(AVPixelFormat format)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
        return AV_PIX_FMT_YUV411P;
    default:
        return format;
    }
}

void setSwsYuvStandard(SwsContext *sws, const AVFrame *frame)
{
    if (!sws || !frame || !isYuvFormat(frame->format))
        return;
    const YuvStandard standard = yuvStandardOf(frame);
    int *invTable = nullptr;
    int *table = nullptr;
    int srcRange = 0;
    int dstRange = 0;
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;
    if (sws_getColorspaceDetails(
            sws, &invTable, &srcRange, &table, &dstRange, &brightness, &contrast, &saturation)
        >= 0)
        sws_setColorspaceDetails(sws, sws_getCoefficients(swsColorspaceOf(standard)),
            standard.fullRange ? 1 : 0, table, dstRange, brightness, contrast, saturation);
}

} // namespace kvm
