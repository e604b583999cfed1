#include "kv_player_fixtures.h"

#include "kv_media_fixtures.h"

#include "core/kv_player.h"
#include "data/kv_video_item.h"
#include "media/avplayer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

namespace KVPlayerFixture
{

QStringList makeCard(const QString &folder, int seconds, int recordings, QString *error)
{
    return KVMediaFixture::makeCard(
        folder, QSize(320, 180), QSize(160, 90), seconds, recordings, error);
}

QString makeClip(const QString &path, int ms, QSize size)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    return KVMediaFixture::runFfmpeg(
        {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("testsrc2=s=%1x%2:r=30:d=%3")
                .arg(size.width())
                .arg(size.height())
                .arg(ms / 1000.0, 0, 'f', 3),
            QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
            QStringLiteral("ultrafast"), QStringLiteral("-bf"), QStringLiteral("0"),
            QStringLiteral("-g"), QStringLiteral("30"), QStringLiteral("-pix_fmt"),
            QStringLiteral("yuv420p"), path});
}

KVVideoItemRef makeItem(const QString &front, const QString &rear)
{
    const bool rearOnly = front.isEmpty();
    KVVideoItemRef item(new KVVideoItem(rearOnly ? rear : front, rearOnly));
    if (!rearOnly)
        item->setRearPath(rear);
    return item;
}

EventLog::EventLog(KVPlayerBase *player)
{
    connect(player, &KVPlayerBase::playEvent, this, [this](PLAY_EVENT e, KVVideoItem *item) {
        events.append({e, item});
    });
}

QList<PLAY_EVENT> EventLog::kinds() const
{
    QList<PLAY_EVENT> list;
    for (const auto &e : events)
        list << e.first;
    return list;
}

int EventLog::count(PLAY_EVENT event) const
{
    return int(kinds().count(event));
}

bool EventLog::waitFor(PLAY_EVENT event, int timeoutMs, int n)
{
    QElapsedTimer timer;
    timer.start();
    while (count(event) < n && timer.elapsed() < timeoutMs)
        QTest::qWait(5);
    return count(event) >= n;
}

KVPlayer *nullPlayer()
{
    KVPlayerBase::forceRendererForTests(QStringLiteral("Null"));
    return KVPlayer::instance();
}

void resetPlayer(KVPlayer *player)
{
    EventLog log(player);
    player->stopZoom(true);
    player->closeMedia();
    log.waitFor(PLAY_STOPPED, 3000);
    // A swap lock left by the previous test would refuse the swap back.
    for (int i = 0; i < 100 && player->isSwapLocked(); ++i)
        QTest::qWait(10);
    if (player->isSwapped())
        player->toggleSwap(true);
    QSlider speed;
    speed.setRange(0, 3);
    QObject::connect(&speed, &QSlider::sliderReleased, player, &KVPlayer::onSpeedSliderReleased);
    speed.setValue(KVPlayer::kDefaultSpeedIndex);
    emit speed.sliderReleased();
    QTest::qWait(20);
}

bool loadAndWait(KVPlayer *player, KVVideoItem *item, int timeoutMs)
{
    EventLog log(player);
    player->closeMedia();
    player->onLoad(item);
    return log.waitFor(PLAY_FIRST_FRAME, timeoutMs);
}

bool waitSeek(QObject *avPlayer, int timeoutMs)
{
    QSignalSpy spy(avPlayer, SIGNAL(seekFinished(qint64)));
    return spy.wait(timeoutMs);
}

} // namespace KVPlayerFixture
