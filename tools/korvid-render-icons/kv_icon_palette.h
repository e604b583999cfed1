#pragma once
// The colour rule of the button pictures. Every button is drawn once, in its
// normal state, with a few fixed role colours; the hover, pressed and
// disabled pictures are the same drawing with the role colours replaced:
//
//   role     drawn as   normal    _1 hover  _2 pressed  _3 disabled
//   ink      #E6E6E6    #E6E6E6   #FFFFFF   #CC9933     #7A7A7A    white lines
//   accent   #C59433    #C59433   #E0B050   #F5D080     #6A6A6A    amber details
//   face     #4A4A4A    #4A4A4A   #5A5A5A   #2E2E2E     #3F3F3F    button face
//   edge     #6E6E6E    #6E6E6E   #8C8C8C   #CC9933     #555555    face outline
//   halo     #0A0A0A    none      #FFFFFF   #CC9933     none       glow (drawn with
//                                                                  a low fill-opacity)
//
// So hovering brightens, pressing turns the lines amber and disabling greys
// everything. Other colours of a drawing (sensor axis colours, text on
// plates) stay as they are in every state.
//
// Thread: any (pure text functions).

#include <QString>
#include <QStringList>

namespace KVIconPalette
{

enum State { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };

// The suffix of a state's picture: "", "_1", "_2", "_3".
QString suffix(State state);

// The SVG text with every role colour replaced by its colour in that state
// (compared without regard to letter case, in fill and stroke values).
QString recolour(const QString &svg, State state);

// What is made of one drawing.
enum Kind {
    Picture, // <name>.png only
    Button, // <name>.png, _1, _2, _3
    Toggle, // as Button, plus <name>_checked.png, _checked_1.._3 from <name>_checked.svg
    Group, // <name>.png and <name>_3.png
};

// Parses "picture", "button", "toggle", "group"; false when unknown.
bool parseKind(const QString &text, Kind *kind);

// The file names (without folder) made for a drawing of that kind.
QStringList outputNames(Kind kind, const QString &name);

} // namespace KVIconPalette
