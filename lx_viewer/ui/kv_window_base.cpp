#include "kv_window_base.h"

#include "kv_frame_title.h"
#include "kv_widget_drag.h"

#include <QVBoxLayout>

KVWindowBase::KVWindowBase(QWidget *parent, const QString &logo, const QString &title, bool modal)
    : QMainWindow(parent)
{
    Qt::WindowFlags flags = windowFlags() | Qt::FramelessWindowHint;
    if (modal) {
        setWindowModality(Qt::ApplicationModal);
        flags |= Qt::Dialog;
    }
    setWindowFlags(flags);

    _central = new QWidget(this);
    _centralLayout = new QVBoxLayout(_central);
    _centralLayout->setContentsMargins(0, 0, 0, 0);
    _centralLayout->setSpacing(0);
    setCentralWidget(_central);

    _titleBar = new LXFrameTitle(_central, logo, title);
    _centralLayout->addWidget(_titleBar, 0);

    _content = new QWidget(_central);
    _content->setObjectName(QStringLiteral("main_widget"));
    _content->setStyleSheet(QStringLiteral("QWidget#main_widget{background-color: #4F4F4F;}"));
    _content->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    _centralLayout->addWidget(_content, 0);

    _drag = new KVWidgetDrag(this, modal ? 39 : LXFrameTitle::kHeight);
}
