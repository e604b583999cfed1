#pragma once
// Base of the viewer's frames: paints its style-sheet background and border
// (a plain QWidget subclass would not), and, when asked to listen, receives
// the hub's application events (full screen, closing) in onAppEvent.
//
// Thread: GUI thread only.

#include "app/kv_app.h"

#include <QWidget>

class KVWidgetBase : public QWidget
{
    Q_OBJECT
public:
    explicit KVWidgetBase(QWidget *parent = nullptr, bool listen = false);

public slots:
    // Does nothing here; frames override it.
    virtual void onAppEvent(KVApp::Event event);

protected:
    void paintEvent(QPaintEvent *event) override;
};
