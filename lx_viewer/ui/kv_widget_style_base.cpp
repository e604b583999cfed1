#include "kv_widget_style_base.h"

#include "kv_style.h"

KVWidgetStyleBase::KVWidgetStyleBase(QWidget *parent, const QString &name, bool listen)
    : KVWidgetBase(parent, listen)
{
    if (!name.isEmpty()) {
        setObjectName(name);
        _styleName = name;
    }
}

void KVWidgetStyleBase::onAppEvent(KVApp::Event event)
{
    if (_styleName.isEmpty())
        return;
    if (event == KVApp::EVENT_FULLSCREEN_LEAVING)
        setObjectName(_styleName);
    else if (event == KVApp::EVENT_FULLSCREEN_ENTERING)
        setObjectName(QString());
    else
        return;
    repolish(this);
}
