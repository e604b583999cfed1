#pragma once
// Registers the widget renderers with VideoRenderer's registry:
// "OpenGLWidget" (GLWidgetRenderer) and "Widget" (WidgetRenderer).
// Call once at start-up on the GUI thread, before VideoRenderer::create().

namespace kvm
{

void registerWidgetRenderers();

} // namespace kvm
