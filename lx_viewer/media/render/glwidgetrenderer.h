#pragma once
// The "OpenGLWidget" renderer: a QOpenGLWidget that uploads the frame's
// planes as textures (see glframetextures.h) and turns YUV into RGB in a
// shader (glvideoprogram.h). Only the region of interest is drawn, by
// texture coordinates, into the output rectangle; black elsewhere, and
// black when there is no frame. Textures are written only when a new frame
// has arrived; repaints without one draw the textures again.
//
// The widget's context is shared with the application's (the web view lives
// in the same process, Qt::AA_ShareOpenGLContexts). It is made again when
// the widget moves to another window; the GL objects follow.
//
// Threads: onFrame() on the player's presenter thread (posts one queued
// repaint at a time, nothing else); everything else on the GUI thread.

#include "../videorenderer.h"
#include "glframetextures.h"
#include "repaintposter.h"

#include <QOpenGLBuffer>
#include <QOpenGLFunctions>
#include <QOpenGLVertexArrayObject>
#include <QOpenGLWidget>

#include <atomic>
#include <memory>

namespace kvm
{

class GLVideoProgram;

class GLWidgetRenderer : public QOpenGLWidget, public VideoRenderer, protected QOpenGLFunctions
{
    Q_OBJECT
public:
    explicit GLWidgetRenderer(QWidget *parent = nullptr);
    ~GLWidgetRenderer() override;

    QString id() const override { return QStringLiteral("OpenGLWidget"); }
    // False when no OpenGL context can be made here (no GL, or a platform
    // such as offscreen on which GL widgets do not work). GUI thread.
    bool isAvailable() const override;
    QWidget *widget() override { return this; }

    // Frames written into the textures so far (for tests: a repaint without
    // a new frame uploads nothing). GUI thread.
    int uploadCount() const { return _uploads; }

protected:
    void onFrame(const VideoFrame &frame) override;
    void onOutputParametersChanged() override;
    void initializeGL() override;
    void paintGL() override;

private:
    void releaseGL();
    void drawFrame(const VideoFrame &frame);

    // --- presenter thread sets, GUI thread clears
    RepaintPoster _repaint{this};

    // --- GUI thread only (GL objects: with the widget's context current)
    bool _glReady = false;
    bool _warned = false;
    std::unique_ptr<GLVideoProgram> _program;
    GLFrameTextures _textures;
    QOpenGLBuffer _quad{QOpenGLBuffer::VertexBuffer};
    QOpenGLVertexArrayObject _vao;
    VideoFrame _uploaded; // the frame the textures hold
    int _uploads = 0;
};

} // namespace kvm
