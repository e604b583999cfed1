#pragma once
// Two small layout helpers of the frames and pop-ups.
//
// Thread: GUI thread only.

class QBoxLayout;
class QLabel;
class QLayout;
class QString;

class KVLayout
{
public:
    // Appends a fixed spacer of that size.
    static void addSpacer(QBoxLayout *layout, int width, int height);
    // A label with that text and object name, added to the layout.
    static QLabel *addLabel(QLayout *layout, const QString &text, const char *objectName);
};
