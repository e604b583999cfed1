#include "kv_frame_gps.h"

#include "app/kv_app.h"
#include "app/kv_language.h"
#include "core/kv_play_process.h"
#include "core/kv_player.h"
#include "data/kv_sensor_data.h"
#include "kv_map_script.h"
#include "kv_style.h"

#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>

namespace
{

const QString kNone = QStringLiteral("--.------");

QLabel *addTitle(QWidget *parent, QHBoxLayout *layout, const QString &key)
{
    auto *title = new QLabel(KVLanguage::lookupJapanese(key), parent);
    title->setFixedSize(50, 18);
    title->setAlignment(Qt::AlignCenter);
    applyBadgeStyle(title, QStringLiteral("lonlat_title"), KVApp::preferredFontFamily(), 0xC59433,
        12, false, 0x3C3C3C);
    layout->addWidget(title);
    return title;
}

QLabel *addValue(QWidget *parent, QHBoxLayout *layout)
{
    auto *value = new QLabel(kNone, parent);
    applyLabelStyle(
        value, QStringLiteral("lonlat_label"), QStringLiteral("Arial"), 0xF5F5F5, 13, false);
    // Room for "139.745327": the titles do not shift while the numbers change.
    value->ensurePolished();
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("000.0000000")));
    layout->addWidget(value);
    return value;
}

} // namespace

LXFrameGPS::LXFrameGPS(QWidget *parent) : KVWidgetBase(parent, false)
{
    applyBorderStyle(this, QStringLiteral("frame_gps"), 0x666666);
    auto *layout = new QHBoxLayout(this);
    layout->setAlignment(Qt::AlignVCenter);
    layout->setContentsMargins(10, 0, 0, 0);
    layout->setSpacing(10);
    addTitle(this, layout, QStringLiteral("lat"));
    _latitude = addValue(this, layout);
    addTitle(this, layout, QStringLiteral("lon"));
    _longitude = addValue(this, layout);
    layout->addStretch(1);

    KVPlayer *player = KVPlayer::instance();
    connect(player, &KVPlayerBase::positionChanged, this, &LXFrameGPS::onPositionChanged);
    connect(player, &KVPlayerBase::playEvent, this, &LXFrameGPS::onPlayEvent);
}

bool LXFrameGPS::positionAt(
    const KVSensorData &data, qint64 position, qint64 duration, double *latitude, double *longitude)
{
    if (!data.hasPosition())
        return false;
    const qint64 n = data.positionCount();
    qint64 i
        = KVMapScript::indexAt(quint64(n), position, duration, KVSensorData::kPositionPeriodMs);
    if (i < 0 || i > n || n == 0)
        return false;
    i = std::min(i, n - 1);
    const KVGpsRecord &record = data.positions()[size_t(i)];
    *latitude = record.latitude;
    *longitude = record.longitude;
    return true;
}

void LXFrameGPS::showNone()
{
    _latitude->setText(kNone);
    _longitude->setText(kNone);
}

void LXFrameGPS::loadSensorData(const KVSensorData *data)
{
    if (data && data->hasPosition() && data->positionCount() > 0) {
        _data = data;
        return;
    }
    _data = nullptr;
    showNone();
}

void LXFrameGPS::onPlayEvent(PLAY_EVENT event, KVVideoItem *item)
{
    if (event == PLAY_LOADED)
        loadSensorData(item ? item->sensorData() : nullptr);
    else if (event == PLAY_STOPPED) {
        _data = nullptr;
        // On the way to another recording the numbers stay until its first
        // second; with nothing to follow (the last one ended, or the next
        // one's file has gone) no place may stay beside the empty picture.
        if (!item && !KVPlayProcess::instance()->pendingItem())
            showNone();
    } else if (event == PLAY_USER_STOP)
        showNone();
    else if (event == PLAY_NO_MEDIA) {
        // A load that could not play: the last recording's place must not
        // stay beside the logo.
        _data = nullptr;
        showNone();
    }
}

void LXFrameGPS::onPositionChanged(qint64 position, qint64 duration)
{
    // Without a length the text stays as it is.
    if (!_data || duration <= 0)
        return;
    double latitude = 0.0;
    double longitude = 0.0;
    if (positionAt(*_data, position, duration, &latitude, &longitude)) {
        _latitude->setText(QString::asprintf("%.06f", latitude));
        _longitude->setText(QString::asprintf("%.06f", longitude));
    } else {
        showNone();
    }
}
