#include "glframetextures.h"

#include <QImage>
#include <QOpenGLContext>
#include <QtDebug>

#include <cstring>

extern "C" {
#include <libavutil/pixdesc.h>
}

#ifndef GL_RED
#define GL_RED 0x1903
#endif
#ifndef GL_RG
#define GL_RG 0x8227
#endif
#ifndef GL_R8
#define GL_R8 0x8229
#endif
#ifndef GL_RG8
#define GL_RG8 0x822B
#endif
#ifndef GL_UNPACK_ROW_LENGTH
#define GL_UNPACK_ROW_LENGTH 0x0CF2
#endif

namespace kvm
{

namespace
{

// Planar 8-bit YUV with three planes and at most 2:1 subsampling.
bool isPlanarYuv8(const AVPixFmtDescriptor *desc)
{
    if (!desc || desc->nb_components != 3)
        return false;
    if (desc->flags
        & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM
            | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BE))
        return false;
    if (!(desc->flags & AV_PIX_FMT_FLAG_PLANAR))
        return false;
    for (int c = 0; c < 3; ++c) {
        if (desc->comp[c].depth != 8 || desc->comp[c].plane != c || desc->comp[c].step != 1)
            return false;
    }
    return desc->log2_chroma_w <= 1 && desc->log2_chroma_h <= 1;
}

int chromaSize(int size, int log2)
{
    return -((-size) >> log2); // rounded up
}

} // namespace

GLFrameTextures::Caps GLFrameTextures::capsOf(QOpenGLContext *context)
{
    Caps caps;
    if (!context)
        return caps;
    const QSurfaceFormat f = context->format();
    const bool modern = f.majorVersion() >= 3;
    caps.redTextures = modern;
    caps.rowLength = !context->isOpenGLES() || modern;
    return caps;
}

bool GLFrameTextures::upload(QOpenGLFunctions *gl, const VideoFrame &frame)
{
    if (!frame.isValid() || frame.width() <= 0 || frame.height() <= 0)
        return false;
    const AVPixelFormat format = frame.pixelFormat();
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(format);
    const int w = frame.width();
    const int h = frame.height();
    bool ok = false;
    if (isPlanarYuv8(desc)) {
        const int cw = chromaSize(w, desc->log2_chroma_w);
        const int ch = chromaSize(h, desc->log2_chroma_h);
        ok = uploadPlane(gl, 0, frame.bits(0), frame.bytesPerLine(0), w, h, 1)
            && uploadPlane(gl, 1, frame.bits(1), frame.bytesPerLine(1), cw, ch, 1)
            && uploadPlane(gl, 2, frame.bits(2), frame.bytesPerLine(2), cw, ch, 1);
        _layout = Planar;
        _chromaScale = QVector2D(float(double(w) / (1 << desc->log2_chroma_w) / cw),
            float(double(h) / (1 << desc->log2_chroma_h) / ch));
    } else if (format == AV_PIX_FMT_NV12) {
        const int cw = chromaSize(w, 1);
        const int ch = chromaSize(h, 1);
        ok = uploadPlane(gl, 0, frame.bits(0), frame.bytesPerLine(0), w, h, 1)
            && uploadPlane(gl, 1, frame.bits(1), frame.bytesPerLine(1), cw, ch, 2);
        _layout = SemiPlanar;
        _chromaScale = QVector2D(float(w / 2.0 / cw), float(h / 2.0 / ch));
    } else if (format == AV_PIX_FMT_RGB24) {
        ok = uploadPlane(gl, 0, frame.bits(0), frame.bytesPerLine(0), w, h, 3);
        _layout = Rgb;
    } else {
        ok = uploadRgbImage(gl, frame);
        _layout = Rgb;
    }
    _size = QSize(w, h);
    _standard = yuvStandardOf(frame.avFrame());
    if (!ok)
        _layout = NoLayout;
    return ok;
}

bool GLFrameTextures::uploadRgbImage(QOpenGLFunctions *gl, const VideoFrame &frame)
{
    const QImage image = frame.toImage();
    if (image.isNull())
        return false;
    return uploadPlane(
        gl, 0, image.constBits(), int(image.bytesPerLine()), image.width(), image.height(), 3);
}

bool GLFrameTextures::uploadPlane(QOpenGLFunctions *gl, int index, const uint8_t *data, int stride,
    int width, int height, int bytesPerPixel)
{
    if (!data || width <= 0 || height <= 0)
        return false;
    GLenum internal = GL_RGB;
    GLenum format = GL_RGB;
    if (bytesPerPixel == 1) {
        internal = _caps.redTextures ? GL_R8 : GL_LUMINANCE;
        format = _caps.redTextures ? GL_RED : GL_LUMINANCE;
    } else if (bytesPerPixel == 2) {
        internal = _caps.redTextures ? GL_RG8 : GL_LUMINANCE_ALPHA;
        format = _caps.redTextures ? GL_RG : GL_LUMINANCE_ALPHA;
    }

    // Rows as GL can take them: tight, with a row length, or repacked (a
    // stride that is no whole number of pixels, or a negative stride of a
    // vertically flipped frame).
    const int rowBytes = width * bytesPerPixel;
    const uint8_t *pixels = data;
    int rowLength = 0;
    const bool tight = stride == rowBytes;
    if (!tight && _caps.rowLength && stride > 0 && stride % bytesPerPixel == 0) {
        rowLength = stride / bytesPerPixel;
    } else if (!tight) {
        _scratch.resize(size_t(rowBytes) * size_t(height));
        for (int y = 0; y < height; ++y)
            std::memcpy(_scratch.data() + size_t(y) * size_t(rowBytes),
                data + qptrdiff(y) * qptrdiff(stride), size_t(rowBytes));
        pixels = _scratch.data();
    }

    // Errors left by others are not ours (a few at most; a lost context
    // would report forever).
    for (int i = 0; i < 8 && gl->glGetError() != GL_NO_ERROR; ++i) { }
    Plane &plane = _planes[index];
    if (!plane.id) {
        gl->glGenTextures(1, &plane.id);
        gl->glBindTexture(GL_TEXTURE_2D, plane.id);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    } else {
        gl->glBindTexture(GL_TEXTURE_2D, plane.id);
    }
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (rowLength)
        gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    if (plane.width != width || plane.height != height || plane.format != format) {
        gl->glTexImage2D(
            GL_TEXTURE_2D, 0, GLint(internal), width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
        plane.width = width;
        plane.height = height;
        plane.format = format;
    } else {
        gl->glTexSubImage2D(
            GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, pixels);
    }
    if (rowLength)
        gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    const GLenum error = gl->glGetError();
    if (error != GL_NO_ERROR) {
        qWarning() << "texture upload failed, GL error" << Qt::hex << error << "[" << Q_FUNC_INFO
                   << __LINE__ << "]";
        plane.width = plane.height = 0; // reallocate next time
        return false;
    }
    return true;
}

void GLFrameTextures::bind(QOpenGLFunctions *gl) const
{
    for (int i = 2; i >= 0; --i) {
        gl->glActiveTexture(GLenum(GL_TEXTURE0 + i));
        gl->glBindTexture(GL_TEXTURE_2D, _planes[i].id);
    }
}

void GLFrameTextures::release(QOpenGLFunctions *gl)
{
    for (Plane &plane : _planes) {
        if (plane.id)
            gl->glDeleteTextures(1, &plane.id);
        plane = Plane();
    }
    _layout = NoLayout;
    _size = QSize();
}

} // namespace kvm
