#include "kv_speed_frame.h"

#include "app/kv_language.h"
#include "core/kv_player.h"
#include "data/kv_sensor_data.h"
#include "kv_lx_button.h"
#include "kv_map_script.h"
#include "kv_speed_widget.h"

#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

bool LXSpeedFrame::s_speedInMph = false;

LXSpeedFrame::LXSpeedFrame(QWidget *parent) : KVWidgetBase(parent, false)
{
    setObjectName(QStringLiteral("speed_frame"));
    auto *layout = new QVBoxLayout(this);
    layout->setAlignment(Qt::AlignTop);
    layout->setSpacing(0);
    layout->setContentsMargins(1, 0, 0, 0);
    _speed = new LXSpeedWidget(this);
    _speed->setFixedSize(87, 52);
    layout->addWidget(_speed);
    s_speedInMph = KVLanguage::instance()->language() != KVLanguage::LANGUAGE_JAPANESE;
    // The plate names the unit the digits are in.
    _unit = LXButton::createStaticButton(this, layout,
        s_speedInMph ? QStringLiteral("speed_mph") : QStringLiteral("speed_kmh"), QString(),
        QSize(87, 23));

    KVPlayer *player = KVPlayer::instance();
    connect(player, &KVPlayerBase::positionChanged, this, &LXSpeedFrame::onPositionChanged);
    connect(player, &KVPlayerBase::playEvent, this, &LXSpeedFrame::onPlayEvent);
}

double LXSpeedFrame::speedAt(const KVSensorData &data, qint64 position, qint64 duration)
{
    if (!data.hasPosition())
        return -1.0;
    const qint64 n = data.positionCount();
    qint64 i
        = KVMapScript::indexAt(quint64(n), position, duration, KVSensorData::kPositionPeriodMs);
    if (i < 0 || i > n || n == 0)
        return -1.0;
    i = std::min(i, n - 1);
    const KVGpsRecord &record = data.positions()[size_t(i)];
    return record.fix == 1 ? record.speed : -1.0;
}

void LXSpeedFrame::loadSensorData(const KVSensorData *data)
{
    if (data && data->hasPosition() && data->positionCount() > 0) {
        _data = data;
        return;
    }
    _data = nullptr;
    _speed->setSpeed(-1);
}

void LXSpeedFrame::onPlayEvent(PLAY_EVENT event, KVVideoItem *item)
{
    if (event == PLAY_LOADED) {
        loadSensorData(item ? item->sensorData() : nullptr);
    } else if (event == PLAY_STOPPED) {
        _data = nullptr;
        _speed->setSpeed(-1);
    }
}

void LXSpeedFrame::onPositionChanged(qint64 position, qint64 duration)
{
    // Without a length the digits stay as they are.
    if (!_data || duration <= 0)
        return;
    double v = speedAt(*_data, position, duration);
    if (s_speedInMph)
        v *= 0.621371;
    // NaN fails both comparisons.
    _speed->setSpeed(v >= 0.0 && v < 500.0 ? int(std::trunc(v)) : -1);
}
