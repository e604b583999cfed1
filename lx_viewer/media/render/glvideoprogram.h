#pragma once
// The shader programs of the OpenGLWidget renderer, one per texture layout
// (planar YUV, NV12, RGB), built on first use. YUV is turned into RGB in the
// fragment shader by the frame's colour matrix (see colormatrix.h).
//
// The sources are plain GLSL 1.10 / GLSL ES 1.00; on a core profile context
// they are compiled as GLSL 1.50 through a few defines.
//
// Thread: GUI thread, with the widget's context current.

#include "glframetextures.h"

#include <QMatrix4x4>
#include <QRectF>

#include <memory>

class QOpenGLShaderProgram;

namespace kvm
{

class GLVideoProgram
{
public:
    // Vertex attribute locations the quad is fed through.
    static constexpr int kPositionAttribute = 0; // clip space, -1..1
    static constexpr int kUnitAttribute = 1; // 0..1 over the quad, y down

    GLVideoProgram(bool coreProfile, bool chromaInAlpha);
    ~GLVideoProgram();
    GLVideoProgram(const GLVideoProgram &) = delete;
    GLVideoProgram &operator=(const GLVideoProgram &) = delete;

    // Binds the program for the layout and sets its uniforms: the part of
    // the texture to show (in texture coordinates), the chroma coordinate
    // scale and the colour matrix. False when the program cannot be built.
    bool bind(GLFrameTextures::Layout layout, const QRectF &texture, const QVector2D &chromaScale,
        const QMatrix4x4 &yuvToRgb);
    void release();

private:
    QOpenGLShaderProgram *programFor(GLFrameTextures::Layout layout);

    bool _core;
    bool _chromaInAlpha;
    std::unique_ptr<QOpenGLShaderProgram> _programs[4];
    bool _failed[4] = {false, false, false, false};
    QOpenGLShaderProgram *_bound = nullptr;
};

} // namespace kvm
