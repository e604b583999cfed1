#include "kv_widget_map.h"

#include "kv_map_script.h"

#include <QDebug>
#include <QMetaObject>
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
    connect(page(), &QWebEnginePage::renderProcessTerminated, this,
        [this](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
            qWarning() << "the map page's process ended:" << status << code << "[" << Q_FUNC_INFO
                       << __LINE__ << "]";
            // Reloading from within the page's own signal is not safe: the
            // view is still taking the old process down.
            QMetaObject::invokeMethod(this, &KVWidgetMap::onPageProcessEnded, Qt::QueuedConnection);
        });
}

void KVWidgetMap::onPageProcessEnded()
{
    _loaded = false;
    if (_restarts >= kMaxRestarts) {
        qWarning() << "the map page is not loaded again after" << _restarts << "restarts"
                   << "[" << Q_FUNC_INFO << __LINE__ << "]";
        return;
    }
    ++_restarts;
    // What the page showed comes back first; what was sent meanwhile (and
    // waits) follows it.
    QStringList again = _shown;
    for (const QString &code : std::as_const(_pending))
        fold(&again, code);
    _pending = again;
    _shown.clear();
    loadPage();
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
    for (const QString &code : pending) {
        fold(&_shown, code);
        page()->runJavaScript(code);
    }
    emit pageReady(true);
}

void KVWidgetMap::runScript(const QString &code)
{
    if (_loaded) {
        fold(&_shown, code);
        page()->runJavaScript(code);
    } else {
        fold(&_pending, code);
    }
}

void KVWidgetMap::fold(QStringList *list, const QString &code)
{
    if (KVMapScript::isPathStatement(code)) {
        list->clear();
    } else {
        // A car statement replaces the car statements since the last track one.
        while (!list->isEmpty() && !KVMapScript::isPathStatement(list->last()))
            list->removeLast();
    }
    list->append(code);
}

QPixmap KVWidgetMap::snapshot()
{
    return grab();
}
