#pragma once
// A frame whose object name selects its borders and background in the style
// sheet: while the window is in full screen the name is dropped (the picture
// fills the screen without frames) and restored when full screen ends.
//
// Thread: GUI thread only.

#include "kv_widget_base.h"

class KVWidgetStyleBase : public KVWidgetBase
{
    Q_OBJECT
public:
    // A non-empty name becomes the object name and the style name.
    KVWidgetStyleBase(QWidget *parent, const QString &name, bool listen);

    QString styleName() const { return _styleName; }

public slots:
    void onAppEvent(KVApp::Event event) override;

private:
    QString _styleName;
};
