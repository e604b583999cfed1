#pragma once
// Renders one SVG drawing into a PNG picture of the drawing's own size, after
// checking that every text in it can be drawn with its font (a missing font
// or glyph would show as boxes in the viewer).
//
// Thread: GUI thread of the tool (needs a QGuiApplication for fonts).

#include <QString>

namespace KVIconRender
{

// Every <text> element names an installed font-family that has all its
// characters; false with a message otherwise.
bool checkText(const QString &svg, QString *error);

// Renders the SVG text to path; false with a message on failure.
bool renderToPng(const QString &svg, const QString &path, QString *error);

} // namespace KVIconRender
