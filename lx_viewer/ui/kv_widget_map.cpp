#include "kv_widget_map.h"

#include "kv_map_script.h"

#include <QDebug>
#include <QPixmap>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineSettings>

#include <utility>

KVWidgetMap::KVWidgetMap(QWidget *parent) : QWebEngineView(parent)
{
    setObjectName(QStringLiteral("webWidget"));
    setFixedSize(kWidth, kHeight);
    // Keys belong to the window's key handler, not to the page.
    setFocusPolicy(Qt::NoFocus);
    // The map has no context menu (no reload, no "view source").
    setContextMenuPolicy(Qt::NoContextMenu);
    QWebEngineSettings *settings = page()->settings();
    // The page lives in the resources and asks the tile server for its
    // pictures.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    // A folder dropped on the map is for the window (which opens it), not
    // for the page: the view would go to the dropped file and the map would
    // be gone until the next start.
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    setAcceptDrops(false);
    page()->setBackgroundColor(QColor(0x2C, 0x2C, 0x2C));
    connect(this, &QWebEngineView::loadFinished, this, &KVWidgetMap::onLoadFinished);
}

KVWidgetMap::~KVWidgetMap() = default;

void KVWidgetMap::loadPage()
{
    _loaded = false;
    load(QUrl(QStringLiteral("qrc:/html/gmap.html")));
}

void KVWidgetMap::onLoadFinished(bool ok)
{
    if (!ok) {
        qWarning() << "the map page did not load;" << _pending.size() << "statements wait"
                   << "[" << Q_FUNC_INFO << __LINE__ << "]";
        emit pageReady(false);
        return;
    }
    _loaded = true;
    // The page's own widget would take the keyboard on a click; the keys
    // belong to the window's key handler (seek, play, full screen).
    if (QWidget *proxy = focusProxy()) {
        proxy->setFocusPolicy(Qt::NoFocus);
        proxy->setAcceptDrops(false);
    }
    const QStringList pending = std::exchange(_pending, {});
    for (const QString &code : pending)
        page()->runJavaScript(code);
    emit pageReady(true);
}

void KVWidgetMap::runScript(const QString &code)
{
    if (_loaded)
        page()->runJavaScript(code);
    else
        enqueue(code);
}

void KVWidgetMap::enqueue(const QString &code)
{
    if (KVMapScript::isPathStatement(code)) {
        _pending.clear();
    } else {
        // A car statement replaces the car statements since the last track one.
        while (!_pending.isEmpty() && !KVMapScript::isPathStatement(_pending.last()))
            _pending.removeLast();
    }
    _pending.append(code);
}

QPixmap KVWidgetMap::snapshot()
{
    return grab();
}
