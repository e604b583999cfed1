#pragma once
// KVFrameGraph: the graph strip of the left column (79 high): the speed
// read-out (LXSpeedFrame), the x/y/z read-out column, the acceleration graph
// (KVGraphWidget, zoom levels 1, 2, 4) and the zoom in/out buttons. Hides
// while the window enters full screen, shows again when it leaves.
//
// Thread: GUI thread only.

#include "kv_widget_base.h"

class KVGraphWidget;
class LXButton;
class LXSpeedFrame;
class QHBoxLayout;
class QLabel;

class KVFrameGraph : public KVWidgetBase
{
    Q_OBJECT
public:
    explicit KVFrameGraph(QWidget *parent = nullptr);

    KVGraphWidget *graph() const { return _graph; }
    LXSpeedFrame *speedFrame() const { return _speed; }
    QLabel *valueLabel(int axis) const { return _values[axis]; }
    LXButton *zoomInButton() const { return _zoomIn; }
    LXButton *zoomOutButton() const { return _zoomOut; }

public slots:
    void onAppEvent(KVApp::Event event) override;
    void onZoomChange(bool zi, bool zo);

private:
    QWidget *makeValueColumn();
    QWidget *makeZoomColumn();

    QHBoxLayout *_layout = nullptr;
    LXSpeedFrame *_speed = nullptr;
    KVGraphWidget *_graph = nullptr;
    QLabel *_values[3] = {nullptr, nullptr, nullptr};
    LXButton *_zoomIn = nullptr;
    LXButton *_zoomOut = nullptr;
};
