#include "glwidgetrenderer.h"

#include "glvideoprogram.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QtDebug>

#include <cmath>
#include <optional>

namespace kvm
{

namespace
{

// Whether a context can be made and made current here; asked once.
bool probeOpenGL()
{
    const QString platform = QGuiApplication::platformName();
    // These platforms make contexts (or pretend to) but GL widgets crash on
    // them or show nothing.
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return false;
    QOpenGLContext context;
    context.setFormat(QSurfaceFormat::defaultFormat());
    if (QOpenGLContext *shared = QOpenGLContext::globalShareContext())
        context.setShareContext(shared);
    if (!context.create())
        return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return false;
    const bool ok = context.functions() != nullptr;
    context.doneCurrent();
    return ok;
}

// The quad: clip-space position and unit coordinates (y down), as a strip.
const float kQuad[] = {
    -1.0f, 1.0f, 0.0f, 0.0f, //
    1.0f, 1.0f, 1.0f, 0.0f, //
    -1.0f, -1.0f, 0.0f, 1.0f, //
    1.0f, -1.0f, 1.0f, 1.0f, //
};

} // namespace

GLWidgetRenderer::GLWidgetRenderer(QWidget *parent) : QOpenGLWidget(parent)
{
    setObjectName(QStringLiteral("opengl_widget_renderer"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setUpdateBehavior(QOpenGLWidget::NoPartialUpdate);
}

GLWidgetRenderer::~GLWidgetRenderer()
{
    // No frame may arrive while the widget is torn down.
    detachFromPlayer();
    // The context dies after this object's members: do not hear of it.
    if (QOpenGLContext *ctx = context())
        disconnect(ctx, nullptr, this, nullptr);
    releaseGL();
}

bool GLWidgetRenderer::isAvailable() const
{
    static std::optional<bool> available;
    if (!available) {
        available = probeOpenGL();
        if (!*available)
            qInfo() << "no OpenGL here; the OpenGLWidget renderer is unavailable"
                    << "[" << Q_FUNC_INFO << __LINE__ << "]";
    }
    return *available;
}

void GLWidgetRenderer::onFrame(const VideoFrame &)
{
    _repaint.post();
}

void GLWidgetRenderer::onOutputParametersChanged()
{
    update();
}

void GLWidgetRenderer::initializeGL()
{
    // A new context (first show, or the widget moved to another window).
    initializeOpenGLFunctions();
    QOpenGLContext *ctx = context();
    connect(ctx, &QOpenGLContext::aboutToBeDestroyed, this, &GLWidgetRenderer::releaseGL,
        Qt::DirectConnection);
    const bool core = !ctx->isOpenGLES() && ctx->format().profile() == QSurfaceFormat::CoreProfile;
    const GLFrameTextures::Caps caps = GLFrameTextures::capsOf(ctx);
    _textures.setCaps(caps);
    _program = std::make_unique<GLVideoProgram>(core, !caps.redTextures);
    _vao.create(); // needed on a core profile; harmless elsewhere
    QOpenGLVertexArrayObject::Binder vao(&_vao);
    _quad.create();
    _quad.bind();
    _quad.allocate(kQuad, int(sizeof(kQuad)));
    _quad.release();
    _uploaded = VideoFrame();
    _glReady = true;
}

void GLWidgetRenderer::releaseGL()
{
    if (!_glReady)
        return;
    _glReady = false;
    makeCurrent();
    _textures.release(this);
    _program.reset();
    _quad.destroy();
    _vao.destroy();
    doneCurrent();
    _uploaded = VideoFrame();
}

void GLWidgetRenderer::paintGL()
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (!_glReady)
        return;
    const VideoFrame frame = currentFrame();
    if (!frame.isValid()) {
        _uploaded = VideoFrame(); // let the decoder have its picture back
        return;
    }
    if (frame.avFrame() != _uploaded.avFrame()) {
        if (!_textures.upload(this, frame)) {
            _uploaded = VideoFrame();
            if (!_warned)
                qWarning() << "cannot show frames of format" << int(frame.pixelFormat()) << "["
                           << Q_FUNC_INFO << __LINE__ << "]";
            _warned = true;
            return;
        }
        _uploaded = frame;
        ++_uploads;
    }
    drawFrame(frame);
}

void GLWidgetRenderer::drawFrame(const VideoFrame &frame)
{
    const QRect target = outputRect(frame.size(), frame.sampleAspectRatio(), size());
    if (target.isEmpty())
        return;
    const QRect roi = regionOfInterestPixels(frame.size());
    const QSize tex = _textures.size();
    const QRectF texture(double(roi.x()) / tex.width(), double(roi.y()) / tex.height(),
        double(roi.width()) / tex.width(), double(roi.height()) / tex.height());
    if (!_program->bind(_textures.layout(), texture, _textures.chromaScale(),
            yuvToRgbMatrix(_textures.standard()))) {
        if (!_warned)
            qWarning() << "no video shader; the picture stays black"
                       << "[" << Q_FUNC_INFO << __LINE__ << "]";
        _warned = true;
        return;
    }

    // GL counts rows from the bottom of the framebuffer.
    const qreal dpr = devicePixelRatioF();
    const int fbHeight = int(std::lround(height() * dpr));
    const int x = int(std::lround(target.x() * dpr));
    const int y = int(std::lround(target.y() * dpr));
    const int w = int(std::lround(target.width() * dpr));
    const int h = int(std::lround(target.height() * dpr));
    glViewport(x, fbHeight - (y + h), w, h);

    _textures.bind(this);
    QOpenGLVertexArrayObject::Binder vao(&_vao);
    _quad.bind();
    glEnableVertexAttribArray(GLVideoProgram::kPositionAttribute);
    glEnableVertexAttribArray(GLVideoProgram::kUnitAttribute);
    glVertexAttribPointer(
        GLVideoProgram::kPositionAttribute, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
    glVertexAttribPointer(GLVideoProgram::kUnitAttribute, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float),
        reinterpret_cast<const void *>(2 * sizeof(float)));
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableVertexAttribArray(GLVideoProgram::kPositionAttribute);
    glDisableVertexAttribArray(GLVideoProgram::kUnitAttribute);
    _quad.release();
    _program->release();
    glActiveTexture(GL_TEXTURE0);
}

} // namespace kvm
