#include "kv_frame_right.h"

#include "kv_layout.h"
#include "kv_style.h"

#include <QVBoxLayout>

KVFrameRight::KVFrameRight(QWidget *parent) : KVWidgetBase(parent, true)
{
    setFixedWidth(kWidth);
    _layout = new QVBoxLayout(this);
    _layout->setContentsMargins(0, 0, 0, 0);
    _layout->setSpacing(0);

    _position = new QWidget(this);
    applyBorderStyle(_position, QStringLiteral("frame_gps"), 0x666666);
    _map = new QWidget(this);
    applyBackgroundStyle(_map, QStringLiteral("map_anchor"), 0x2C2C2C);
    _map->setFixedSize(kWidth, kMapHeight);
    _list = new QWidget(this);
    applyBorderStyle(_list, QStringLiteral("border_frame"), 0x666666);
    _list->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);

    _layout->addWidget(_position);
    _layout->addWidget(_map);
    KVLayout::addSpacer(_layout, 0, kGap);
    _layout->addWidget(_list);
    _position->setFixedHeight(kPositionHeight);
}

void KVFrameRight::replace(QWidget *&area, QWidget *frame)
{
    if (!frame || frame == area)
        return;
    QWidget *old = area;
    frame->setParent(this);
    delete _layout->replaceWidget(old, frame);
    area = frame;
    old->deleteLater();
    frame->show();
}

void KVFrameRight::setPositionFrame(QWidget *frame)
{
    replace(_position, frame);
    _position->setFixedHeight(kPositionHeight);
}

void KVFrameRight::setListFrame(QWidget *frame)
{
    replace(_list, frame);
}

void KVFrameRight::onAppEvent(KVApp::Event event)
{
    if (event == KVApp::EVENT_FULLSCREEN_ENTERING)
        hide();
    else if (event == KVApp::EVENT_FULLSCREEN_LEAVING)
        show();
}
