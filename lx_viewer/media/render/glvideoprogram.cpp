#include "glvideoprogram.h"

#include <QOpenGLShaderProgram>
#include <QtDebug>

namespace kvm
{

namespace
{

// The sources below use KV_* words for what differs between GLSL 1.10 /
// GLSL ES 1.00 and GLSL 1.50 (core profile).
const char *const kVertexLegacyPrefix = "#define KV_ATTRIBUTE attribute\n"
                                        "#define KV_VARYING varying\n";
const char *const kVertexCorePrefix = "#version 150\n"
                                      "#define KV_ATTRIBUTE in\n"
                                      "#define KV_VARYING out\n";
const char *const kFragmentLegacyPrefix = "#define KV_VARYING varying\n"
                                          "#define KV_TEXTURE texture2D\n"
                                          "#define KV_FRAG_COLOR gl_FragColor\n";
const char *const kFragmentCorePrefix = "#version 150\n"
                                        "#define KV_VARYING in\n"
                                        "#define KV_TEXTURE texture\n"
                                        "out vec4 kv_fragColor;\n"
                                        "#define KV_FRAG_COLOR kv_fragColor\n";

const char *const kVertex = R"(
KV_ATTRIBUTE vec2 a_position;
KV_ATTRIBUTE vec2 a_unit;
uniform vec2 u_texOffset;
uniform vec2 u_texScale;
KV_VARYING vec2 v_tex;
void main()
{
    v_tex = u_texOffset + a_unit * u_texScale;
    gl_Position = vec4(a_position, 0.0, 1.0);
}
)";

const char *const kFragmentHead = R"(
#ifdef GL_ES
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
#endif
KV_VARYING vec2 v_tex;
uniform sampler2D u_tex0;
uniform sampler2D u_tex1;
uniform sampler2D u_tex2;
uniform mat4 u_yuvToRgb;
uniform vec2 u_chromaScale;
)";

const char *const kFragmentPlanar = R"(
void main()
{
    vec2 c = v_tex * u_chromaScale;
    vec4 yuv = vec4(KV_TEXTURE(u_tex0, v_tex).r, KV_TEXTURE(u_tex1, c).r,
                    KV_TEXTURE(u_tex2, c).r, 1.0);
    KV_FRAG_COLOR = vec4((u_yuvToRgb * yuv).rgb, 1.0);
}
)";

const char *const kFragmentSemiPlanar = R"(
void main()
{
    vec4 uv = KV_TEXTURE(u_tex1, v_tex * u_chromaScale);
    vec4 yuv = vec4(KV_TEXTURE(u_tex0, v_tex).r, uv.r, KV_CHROMA_V, 1.0);
    KV_FRAG_COLOR = vec4((u_yuvToRgb * yuv).rgb, 1.0);
}
)";

const char *const kFragmentRgb = R"(
void main()
{
    KV_FRAG_COLOR = vec4(KV_TEXTURE(u_tex0, v_tex).rgb, 1.0);
}
)";

} // namespace

GLVideoProgram::GLVideoProgram(bool coreProfile, bool chromaInAlpha)
    : _core(coreProfile), _chromaInAlpha(chromaInAlpha)
{
}

GLVideoProgram::~GLVideoProgram() = default;

QOpenGLShaderProgram *GLVideoProgram::programFor(GLFrameTextures::Layout layout)
{
    const int i = int(layout);
    if (i <= 0 || i > 3 || _failed[i])
        return nullptr;
    if (_programs[i])
        return _programs[i].get();

    QByteArray vertex = _core ? kVertexCorePrefix : kVertexLegacyPrefix;
    vertex += kVertex;
    QByteArray fragment = _core ? kFragmentCorePrefix : kFragmentLegacyPrefix;
    fragment += _chromaInAlpha ? "#define KV_CHROMA_V uv.a\n" : "#define KV_CHROMA_V uv.g\n";
    fragment += kFragmentHead;
    switch (layout) {
    case GLFrameTextures::Planar:
        fragment += kFragmentPlanar;
        break;
    case GLFrameTextures::SemiPlanar:
        fragment += kFragmentSemiPlanar;
        break;
    default:
        fragment += kFragmentRgb;
        break;
    }

    auto program = std::make_unique<QOpenGLShaderProgram>();
    bool ok = program->addShaderFromSourceCode(QOpenGLShader::Vertex, vertex)
        && program->addShaderFromSourceCode(QOpenGLShader::Fragment, fragment);
    if (ok) {
        program->bindAttributeLocation("a_position", kPositionAttribute);
        program->bindAttributeLocation("a_unit", kUnitAttribute);
        ok = program->link();
    }
    if (!ok) {
        qWarning() << "video shader does not build:" << program->log() << "[" << Q_FUNC_INFO
                   << __LINE__ << "]";
        _failed[i] = true;
        return nullptr;
    }
    program->bind();
    program->setUniformValue("u_tex0", 0);
    program->setUniformValue("u_tex1", 1);
    program->setUniformValue("u_tex2", 2);
    program->release();
    _programs[i] = std::move(program);
    return _programs[i].get();
}

bool GLVideoProgram::bind(GLFrameTextures::Layout layout, const QRectF &texture,
    const QVector2D &chromaScale, const QMatrix4x4 &yuvToRgb)
{
    QOpenGLShaderProgram *program = programFor(layout);
    if (!program || !program->bind())
        return false;
    _bound = program;
    program->setUniformValue("u_texOffset", QVector2D(float(texture.x()), float(texture.y())));
    program->setUniformValue(
        "u_texScale", QVector2D(float(texture.width()), float(texture.height())));
    if (layout != GLFrameTextures::Rgb) {
        program->setUniformValue("u_chromaScale", chromaScale);
        program->setUniformValue("u_yuvToRgb", yuvToRgb);
    }
    return true;
}

void GLVideoProgram::release()
{
    if (_bound)
        _bound->release();
    _bound = nullptr;
}

} // namespace kvm
