#pragma once
// The textures of the frame on show in the OpenGLWidget renderer: the three
// planes of planar 8-bit YUV (4:2:0, 4:2:2, 4:4:4, limited or full range)
// as single-channel textures, NV12 as a luma and a two-channel chroma
// texture, RGB24 (frames after a filter graph) as one RGB texture. Any other
// format is converted to RGB on the CPU first (slow, not used by the cards).
//
// Textures are kept between frames: a frame of the same size and layout is
// written into them (glTexSubImage2D); they are reallocated only when the
// size or the layout changes.
//
// Thread: GUI thread, with the widget's context current; no locking.

#include "../colormatrix.h"
#include "../videoframe.h"

#include <QOpenGLFunctions>
#include <QSize>
#include <QVector2D>

#include <vector>

class QOpenGLContext;

namespace kvm
{

class GLFrameTextures
{
public:
    enum Layout { NoLayout, Planar, SemiPlanar, Rgb };

    // What the context offers for uploads.
    struct Caps {
        bool redTextures = false; // GL_R8/GL_RG8 (else GL_LUMINANCE[_ALPHA])
        bool rowLength = false; // GL_UNPACK_ROW_LENGTH
    };
    static Caps capsOf(QOpenGLContext *context);

    void setCaps(const Caps &caps) { _caps = caps; }
    const Caps &caps() const { return _caps; }

    // Writes the frame's planes into the textures; false when nothing could
    // be uploaded (the textures then hold nothing worth drawing).
    bool upload(QOpenGLFunctions *gl, const VideoFrame &frame);

    // Binds the textures to texture units 0, 1, 2.
    void bind(QOpenGLFunctions *gl) const;
    // Deletes the textures; the context must be current.
    void release(QOpenGLFunctions *gl);

    Layout layout() const { return _layout; }
    QSize size() const { return _size; } // of the luma plane / the picture
    // Scale from luma texture coordinates to chroma texture coordinates
    // (1 for even sizes; a little under 1 when a dimension is odd).
    QVector2D chromaScale() const { return _chromaScale; }
    YuvStandard standard() const { return _standard; }

private:
    struct Plane {
        GLuint id = 0;
        int width = 0;
        int height = 0;
        GLenum format = 0;
    };
    bool uploadPlane(QOpenGLFunctions *gl, int index, const uint8_t *data, int stride, int width,
        int height, int bytesPerPixel);
    bool uploadRgbImage(QOpenGLFunctions *gl, const VideoFrame &frame);

    Caps _caps;
    Plane _planes[3];
    Layout _layout = NoLayout;
    QSize _size;
    QVector2D _chromaScale{1.0f, 1.0f};
    YuvStandard _standard;
    std::vector<uint8_t> _scratch; // rows repacked when the stride cannot be said
};

} // namespace kvm
