#include "kv_frame_graph.h"

#include "app/kv_language.h"
#include "kv_graph_widget.h"
#include "kv_layout.h"
#include "kv_lx_button.h"
#include "kv_speed_frame.h"
#include "kv_style.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

KVFrameGraph::KVFrameGraph(QWidget *parent) : KVWidgetBase(parent, true)
{
    setObjectName(QStringLiteral("frame_graph"));
    _layout = new QHBoxLayout(this);
    _layout->setContentsMargins(0, 0, 0, 0);
    _layout->setSpacing(0);
    _layout->setAlignment(Qt::AlignLeft);

    _speed = new LXSpeedFrame(this);
    _speed->setFixedSize(88, 79);
    _layout->addWidget(_speed);
    KVLayout::addSpacer(_layout, 1, 0);
    _layout->addWidget(makeValueColumn());

    _graph = new KVGraphWidget(this, {1, 2, 4});
    _graph->setFixedHeight(70);
    _graph->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    _graph->setValueLabels(_values[0], _values[1], _values[2]);
    _layout->addWidget(_graph);
    KVLayout::addSpacer(_layout, 2, 0);
    _layout->addWidget(makeZoomColumn());

    connect(_zoomIn, &QPushButton::clicked, _graph, &KVGraphWidget::onZoomIn);
    connect(_zoomOut, &QPushButton::clicked, _graph, &KVGraphWidget::onZoomOut);
    connect(_graph, &KVGraphWidget::zoomChange, this, &KVFrameGraph::onZoomChange);
}

QWidget *KVFrameGraph::makeValueColumn()
{
    auto *column = new QWidget(this);
    column->setFixedWidth(66);
    auto *rows = new QVBoxLayout(column);
    rows->setAlignment(Qt::AlignTop);
    rows->setContentsMargins(0, 1, 0, 0);
    rows->setSpacing(0);
    static const char *const kIcons[3] = {"sensor_x", "sensor_y", "sensor_z"};
    static const char *const kNames[3] = {"graph_value_x", "graph_value_y", "graph_value_z"};
    for (int axis = 0; axis < 3; ++axis) {
        auto *row = new QWidget(column);
        auto *box = new QHBoxLayout(row);
        box->setContentsMargins(0, 0, 0, 0);
        box->setSpacing(0);
        box->setAlignment(Qt::AlignVCenter);
        LXButton::createStaticButton(
            row, box, QString::fromLatin1(kIcons[axis]), QString(), QSize(30, 25));
        auto *value = new QLabel(QStringLiteral("-0.00"), row);
        value->setFixedWidth(32);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        applyLabelStyle(value, QString::fromLatin1(kNames[axis]), QStringLiteral("Arial"),
            KVGraphWidget::axisColor(axis), 12, false);
        box->addWidget(value);
        _values[axis] = value;
        rows->addWidget(row);
    }
    return column;
}

QWidget *KVFrameGraph::makeZoomColumn()
{
    auto *column = new QWidget(this);
    column->setFixedWidth(28);
    auto *box = new QVBoxLayout(column);
    box->setAlignment(Qt::AlignTop);
    box->setContentsMargins(0, 2, 0, 0);
    box->setSpacing(1);
    KVLanguage *language = KVLanguage::instance();
    _zoomIn = LXButton::createImageButton(column, box, QStringLiteral("graph_up"),
        KVLanguage::lookupJapanese(QStringLiteral("graph_zoom_in")), QSize(28, 36));
    language->registerText(
        KVLanguage::LANGUAGE_ENGLISH, KVLanguage::TOOLTIP, _zoomIn, QStringLiteral("Zoom In"));
    _zoomOut = LXButton::createImageButton(column, box, QStringLiteral("graph_down"),
        KVLanguage::lookupJapanese(QStringLiteral("graph_zoom_out")), QSize(28, 36));
    language->registerText(
        KVLanguage::LANGUAGE_ENGLISH, KVLanguage::TOOLTIP, _zoomOut, QStringLiteral("Zoom Out"));
    // The graph starts at its widest range.
    _zoomOut->setEnabled(false);
    return column;
}

void KVFrameGraph::onZoomChange(bool zi, bool zo)
{
    _zoomIn->setEnabled(zi);
    _zoomOut->setEnabled(zo);
}

void KVFrameGraph::onAppEvent(KVApp::Event event)
{
    if (event == KVApp::EVENT_FULLSCREEN_ENTERING)
        hide();
    else if (event == KVApp::EVENT_FULLSCREEN_LEAVING)
        show();
}
