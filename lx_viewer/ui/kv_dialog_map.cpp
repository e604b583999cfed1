#include "kv_dialog_map.h"

#include "core/kv_player.h"
#include "data/kv_sensor_data.h"
#include "data/kv_video_item.h"
#include "kv_key_forward.h"
#include "kv_widget_map.h"

#include <QCoreApplication>
#include <QDebug>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

QPointer<KVDialogMap> KVDialogMap::s_instance;

KVDialogMap *KVDialogMap::instance(QWidget *parent)
{
    if (!s_instance)
        s_instance = new KVDialogMap(parent);
    return s_instance;
}

KVDialogMap *KVDialogMap::existing()
{
    return s_instance;
}

KVDialogMap::KVDialogMap(QWidget *parent) : KVWidgetBase(parent, true)
{
    setObjectName(QStringLiteral("map_dialog"));
    setFixedSize(kWidth, kHeight);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Hidden until the window shows it (prepareShow).
    hide();

    KVPlayer *player = KVPlayer::instance();
    connect(player, &KVPlayerBase::positionChanged, this, &KVDialogMap::onPositionChanged);
    connect(player, &KVPlayerBase::playEvent, this, &KVDialogMap::onPlayEvent);
    // The web view must be gone before the application object; windows that
    // outlive the event loop would otherwise take it down with them.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &KVDialogMap::releaseMapWidget);
    if (parent)
        snapTo(parent);
}

bool KVDialogMap::prepareShow()
{
    if (_startup) {
        _startup = false;
        hide();
        return true;
    }
    return isHidden();
}

void KVDialogMap::snapTo(QWidget *anchor)
{
    if (anchor)
        _anchor = anchor;
    if (!_anchor)
        return;
    // The map lives inside its place-holder, so it moves with the window by
    // itself and is hidden with the column.
    if (parentWidget() != _anchor) {
        const bool shown = !isHidden();
        setParent(_anchor);
        if (shown)
            show();
    }
    move(0, 0);
}

void KVDialogMap::paintEvent(QPaintEvent *event)
{
    KVWidgetBase::paintEvent(event);
    // The window is on screen once this paint has been flushed: the web
    // engine starts afterwards, so the window never waits for it.
    if (!_map && !_viewScheduled && !_closing) {
        _viewScheduled = true;
        QTimer::singleShot(0, this, [this] { mapWidget(); });
    }
}

KVWidgetMap *KVDialogMap::mapWidget()
{
    if (!_map) {
        _map = new KVWidgetMap(this);
        layout()->addWidget(_map);
        _map->loadPage();
    }
    return _map;
}

bool KVDialogMap::hasPosition() const
{
    return _data && _data->hasPosition() && _data->positionCount() != 0;
}

QStringList KVDialogMap::takeSentScripts()
{
    return std::exchange(_sent, {});
}

void KVDialogMap::runScript(const QString &code)
{
    if (_sent.size() >= kLogSize)
        _sent.removeFirst();
    _sent.append(code);
    if (!_closing)
        mapWidget()->runScript(code);
}

void KVDialogMap::releaseMapWidget()
{
    _closing = true;
    delete _map;
    _map = nullptr;
}

void KVDialogMap::onAppEvent(KVApp::Event event)
{
    if (event == KVApp::EVENT_APP_CLOSING) {
        releaseMapWidget();
        return;
    }
    // The column that holds the map hides as well; the map's own state is
    // kept so that a map hidden before full screen stays hidden after it.
    if (event == KVApp::EVENT_FULLSCREEN_ENTERING) {
        if (!isHidden()) {
            _hiddenForFullScreen = true;
            hide();
        }
    } else if (event == KVApp::EVENT_FULLSCREEN_LEAVING) {
        if (_hiddenForFullScreen && isHidden()) {
            _hiddenForFullScreen = false;
            show();
        }
    }
}

void KVDialogMap::setSensorData(const KVSensorData *data)
{
    _data = data;
}

void KVDialogMap::onPlayEvent(PLAY_EVENT event, KVVideoItem *item)
{
    if (event == PLAY_LOADED) {
        const KVSensorData *data = item ? item->sensorData() : nullptr;
        // A track statement removes the page's car marker too: the next
        // position is sent even when it equals the last one.
        _car.reset();
        if (!data || !data->hasPosition() || data->positionCount() == 0) {
            setSensorData(nullptr);
            runScript(KVMapScript::clearPath());
            return;
        }
        setSensorData(data);
        runScript(KVMapScript::drawPaths(*data));
    } else if (event == PLAY_STOPPED) {
        setSensorData(nullptr);
        _car.reset();
        runScript(KVMapScript::clearPath());
    }
}

void KVDialogMap::onPositionChanged(qint64 position, qint64 duration)
{
    if (!_data)
        return;
    const QString statement = _car.update(*_data, position, duration);
    if (!statement.isEmpty())
        runScript(statement);
}

void KVDialogMap::keyPressEvent(QKeyEvent *event)
{
    KVKeyForward::keyPress(event);
}

void KVDialogMap::keyReleaseEvent(QKeyEvent *event)
{
    KVKeyForward::keyRelease(event);
}
