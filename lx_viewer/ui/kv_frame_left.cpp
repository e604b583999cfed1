#include "kv_frame_left.h"

#include "kv_style.h"

#include <QVBoxLayout>

KVFrameLeft::KVFrameLeft(QWidget *parent) : KVWidgetBase(parent, true)
{
    _layout = new QVBoxLayout(this);
    _layout->setContentsMargins(0, 0, 0, 0);
    _layout->setSpacing(0);

    _video = placeholder(QStringLiteral("video_main_frame"), 0x2C2C2C);
    _slider = placeholder(QStringLiteral("slider_frame"), 0x3A3A3A);
    _panel = new QWidget(this);
    _panel->setObjectName(QStringLiteral("border_back"));
    _panelLayout = new QVBoxLayout(_panel);
    _panelLayout->setContentsMargins(0, 0, 0, 0);
    // 79 + 1 + 30 + 1 + 71 fills the 182-pixel panel.
    _panelLayout->setSpacing(1);
    _graph = placeholder(QStringLiteral("graph_frame"), 0x595959);
    _equaliser = placeholder(QStringLiteral("eq_frame"), 0x3A3A3A);
    _play = placeholder(QStringLiteral("play_frame"), 0x454545);

    _layout->addWidget(_video);
    _layout->addWidget(_slider);
    _layout->addWidget(_panel);
    _panelLayout->addWidget(_graph);
    _panelLayout->addWidget(_equaliser);
    _panelLayout->addWidget(_play);
    applySizes();
}

QWidget *KVFrameLeft::placeholder(const QString &name, quint32 color)
{
    auto *widget = new QWidget(this);
    applyBackgroundStyle(widget, name, color);
    return widget;
}

void KVFrameLeft::applySizes()
{
    if (_fullScreen) {
        setMinimumWidth(0);
        setMaximumWidth(QWIDGETSIZE_MAX);
        _video->setMinimumSize(0, 0);
        _video->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        _panel->setMinimumWidth(0);
        _panel->setMaximumWidth(QWIDGETSIZE_MAX);
        _panel->setFixedHeight(kPlayHeight);
    } else {
        setFixedWidth(kWidth);
        _video->setFixedSize(kWidth, kVideoHeight);
        _panel->setFixedSize(kWidth, kPanelHeight);
    }
    _slider->setFixedHeight(kSliderHeight);
    _graph->setFixedHeight(kGraphHeight);
    _equaliser->setFixedSize(kWidth, kEqualiserHeight);
    if (_fullScreen) {
        _equaliser->setMinimumWidth(0);
        _equaliser->setMaximumWidth(QWIDGETSIZE_MAX);
    }
    _play->setFixedHeight(kPlayHeight);
}

void KVFrameLeft::replace(QWidget *&area, QWidget *frame)
{
    if (!frame || frame == area)
        return;
    QWidget *old = area;
    QLayout *layout = old->parentWidget()->layout();
    frame->setParent(old->parentWidget());
    delete layout->replaceWidget(old, frame);
    area = frame;
    old->deleteLater();
    applySizes();
    frame->show();
}

void KVFrameLeft::setVideoFrame(QWidget *frame)
{
    replace(_video, frame);
}

void KVFrameLeft::setPlaySlider(QWidget *frame)
{
    replace(_slider, frame);
}

void KVFrameLeft::setGraphFrame(QWidget *frame)
{
    replace(_graph, frame);
}

void KVFrameLeft::setEqualiserFrame(QWidget *frame)
{
    replace(_equaliser, frame);
}

void KVFrameLeft::setPlayFrame(QWidget *frame)
{
    replace(_play, frame);
}

void KVFrameLeft::onAppEvent(KVApp::Event event)
{
    if (event == KVApp::EVENT_FULLSCREEN_ENTERING && !_fullScreen) {
        _fullScreen = true;
        _panelLayout->removeWidget(_equaliser);
        _equaliser->setParent(this);
        _layout->insertWidget(0, _equaliser);
        applySizes();
        _equaliser->show();
    } else if (event == KVApp::EVENT_FULLSCREEN_LEAVING && _fullScreen) {
        _fullScreen = false;
        _layout->removeWidget(_equaliser);
        _equaliser->setParent(_panel);
        _panelLayout->insertWidget(1, _equaliser);
        applySizes();
        _equaliser->show();
    }
}
