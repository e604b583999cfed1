#include "widgetrenderers.h"

#include "glwidgetrenderer.h"
#include "widgetrenderer.h"

namespace kvm
{

void registerWidgetRenderers()
{
    VideoRenderer::registerRenderer(
        QStringLiteral("OpenGLWidget"), [] { return new GLWidgetRenderer; });
    VideoRenderer::registerRenderer(QStringLiteral("Widget"), [] { return new WidgetRenderer; });
}

} // namespace kvm
