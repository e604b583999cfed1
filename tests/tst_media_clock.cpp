// The clock, the renderer registry and geometry, and the queues of the
// playback layer, without real time: the time source is a variable the test
// moves.

#include "kv_test_main.h"

#include "media/audiosink.h"
#include "media/avclock.h"
#include "media/blockingqueue.h"
#include "media/nullrenderer.h"
#include "media/timesource.h"

#include <atomic>
#include <memory>
#include <thread>

using namespace kvm;

namespace
{
std::atomic<qint64> g_now{1'000'000'000};
void advanceMs(qint64 ms)
{
    g_now += ms * 1'000'000;
}
} // namespace

class TestMediaClock : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        setTimeSourceForTests([] { return g_now.load(); });
    }
    void cleanupTestCase() { setTimeSourceForTests(nullptr); }

    void runsPausesAndChangesSpeed()
    {
        AVClock clock;
        QCOMPARE(clock.value(), 0.0);
        advanceMs(500);
        QCOMPARE(clock.value(), 0.0); // not started
        clock.updateExternalClock(2000);
        clock.start();
        advanceMs(250);
        QCOMPARE(clock.valueMs(), qint64(2250));
        clock.pause(true);
        advanceMs(1000);
        QCOMPARE(clock.valueMs(), qint64(2250));
        clock.pause(false);
        advanceMs(100);
        QCOMPARE(clock.valueMs(), qint64(2350));
        clock.setSpeed(0.5); // continuous across the change
        QCOMPARE(clock.valueMs(), qint64(2350));
        advanceMs(200);
        QCOMPARE(clock.valueMs(), qint64(2450));
        clock.setSpeed(2.0);
        advanceMs(100);
        QCOMPARE(clock.valueMs(), qint64(2650));
        clock.reset();
        QCOMPARE(clock.valueMs(), qint64(0));
        QVERIFY(!clock.isActive());
    }

    void copiedClocksStayIdentical()
    {
        AVClock main;
        AVClock a;
        AVClock b;
        main.updateExternalClock(5000);
        main.setSpeed(0.5);
        main.start();
        a.start();
        b.start();
        advanceMs(40);
        a.updateExternalClock(main);
        advanceMs(7);
        b.updateExternalClock(main);
        for (int i = 0; i < 50; ++i) {
            advanceMs(33);
            QCOMPARE(a.value(), main.value());
            QCOMPARE(b.value(), main.value());
        }
        QCOMPARE(a.speed(), 0.5);
        // A paused clock takes the value but stays paused.
        AVClock paused;
        paused.start();
        paused.pause(true);
        paused.updateExternalClock(main);
        const double taken = paused.value();
        advanceMs(500);
        QCOMPARE(paused.value(), taken);
        QVERIFY(paused.isPaused());
    }

    void seekHoldAndRelease()
    {
        AVClock clock;
        clock.start();
        clock.holdForSeek(3.0, 7);
        advanceMs(300); // decoding towards the target: the clock waits
        QCOMPARE(clock.valueMs(), qint64(3000));
        QVERIFY(!clock.releaseSeekHold(6)); // an older seek's target
        QVERIFY(clock.isHeld());
        QVERIFY(clock.releaseSeekHold(7));
        advanceMs(100);
        QCOMPARE(clock.valueMs(), qint64(3100));
        // A value given from outside during a seek wins over the hold.
        clock.holdForSeek(1.0, 8);
        advanceMs(50);
        clock.updateExternalClock(1000);
        advanceMs(100);
        QCOMPARE(clock.valueMs(), qint64(1100));
        QVERIFY(!clock.releaseSeekHold(8));
        QCOMPARE(clock.valueMs(), qint64(1100));
    }

    void rendererRegistryAndGeometry()
    {
        QVERIFY(VideoRenderer::registeredIds().contains(QStringLiteral("Null")));
        std::unique_ptr<VideoRenderer> r(VideoRenderer::create(QStringLiteral("Null")));
        QVERIFY(r);
        QCOMPARE(r->id(), QStringLiteral("Null"));
        QVERIFY(r->isAvailable());
        QVERIFY(!r->widget());
        QVERIFY(!VideoRenderer::create(QStringLiteral("NoSuchRenderer")));

        const QSize frame(1920, 1080);
        QCOMPARE(r->regionOfInterestPixels(frame), QRect(0, 0, 1920, 1080));
        r->setRegionOfInterest(QRectF(0.25, 0.25, 0.5, 0.5));
        QCOMPARE(r->regionOfInterestPixels(frame), QRect(480, 270, 960, 540));
        r->setRegionOfInterest(QRectF(0.8, 0.8, 0.5, 0.5)); // clamped into the frame
        QCOMPARE(r->regionOfInterestPixels(frame), QRect(1536, 864, 384, 216));
        r->setRegionOfInterest(QRectF(0, 0, 0, 0));
        QCOMPARE(r->regionOfInterestPixels(frame), QRect(0, 0, 1920, 1080));

        r->setOutAspectRatioMode(VideoRenderer::VideoAspectRatio);
        QCOMPARE(r->outputRect(frame, 1.0, QSize(800, 800)), QRect(0, 175, 800, 450));
        QCOMPARE(r->outputRect(frame, 1.0, QSize(1600, 450)), QRect(400, 0, 800, 450));
        r->setOutAspectRatioMode(VideoRenderer::CustomAspectRation);
        r->setOutAspectRatio(1.0);
        QCOMPARE(r->outputRect(frame, 1.0, QSize(400, 200)), QRect(100, 0, 200, 200));
        r->setOutAspectRatioMode(VideoRenderer::RendererAspectRatio);
        QCOMPARE(r->outputRect(frame, 1.0, QSize(400, 200)), QRect(0, 0, 400, 200));
    }

    // A producer that found the queue full refills it in a batch: it waits
    // until the queue has drained to the low-water mark, not for one slot.
    void queueLowWater()
    {
        BlockingQueue<int> queue(4, 2);
        for (int i = 0; i < 4; ++i)
            QVERIFY(queue.push(i));
        std::atomic<bool> pushed{false};
        std::thread producer([&] { pushed = queue.push(4); });
        QTest::qWait(50);
        QVERIFY(!pushed); // blocked on the full queue
        int value = -1;
        QVERIFY(queue.pop(&value));
        QCOMPARE(value, 0);
        QTest::qWait(150); // longer than the producer's safety-net wait
        QVERIFY(!pushed);
        QCOMPARE(queue.size(), size_t(3));
        QVERIFY(queue.pop(&value));
        producer.join();
        QVERIFY(pushed);
        QCOMPARE(queue.size(), size_t(3));
        QVERIFY(queue.peek(2, &value));
        QCOMPARE(value, 4);
    }

    void queueAbortAndStaleProducers()
    {
        BlockingQueue<int> queue(2);
        QVERIFY(queue.push(1));
        QVERIFY(queue.push(2));
        std::atomic<int> serial{1};
        std::atomic<bool> gaveUp{false};
        std::thread producer([&] {
            // Blocks on the full queue until a "seek" makes the item stale.
            gaveUp = !queue.push(3, [&] { return serial.load() != 1; });
        });
        QTest::qWait(50);
        QVERIFY(!gaveUp);
        serial = 2;
        queue.wakeProducers();
        producer.join();
        QVERIFY(gaveUp);
        QCOMPARE(queue.size(), size_t(2));
        int value = 0;
        QVERIFY(queue.peek(1, &value));
        QCOMPARE(value, 2);
        std::thread consumer([&] {
            int v;
            while (queue.pop(&v)) { }
        });
        QTest::qWait(20);
        queue.abort(); // wakes the consumer blocked on the empty queue
        consumer.join();
        QVERIFY(!queue.push(9));
    }

    void queueKeepsWhatMayNotBeDropped()
    {
        // The sound queue drops old sound when full, never a seek's flush
        // (negative numbers here): losing it silenced all later sound.
        BlockingQueue<int> queue(3);
        const auto mayDrop = [](const int &v) { return v >= 0; };
        queue.pushDropOldest(-1, mayDrop);
        for (int i = 1; i <= 5; ++i)
            queue.pushDropOldest(i, mayDrop);
        int value = 0;
        QCOMPARE(queue.size(), size_t(3));
        QVERIFY(queue.peek(0, &value));
        QCOMPARE(value, -1);
        QVERIFY(queue.peek(1, &value));
        QCOMPARE(value, 4);
        // Nothing that may go: the queue grows rather than lose a flush.
        BlockingQueue<int> flushes(2);
        for (int i = 1; i <= 3; ++i)
            flushes.pushDropOldest(-i, mayDrop);
        QCOMPARE(flushes.size(), size_t(3));
    }

    // A seek back while the sound buffer is full of sound from ahead of the
    // new clock: the buffer must not stay full (the decoder would wait for
    // room for ever and the picture play on in silence).
    void soundAfterASeekBack()
    {
        AudioSink sink(std::make_shared<AudioOutput::Levels>());
        const int second = AudioSink::kRate;
        const std::vector<float> tone(size_t(second) * AudioSink::kChannels, 0.5f);
        sink.flush(1);
        // Played up to 60 s: a second of sound buffered from there.
        QVERIFY(sink.write(1, 60.0, tone.data(), second));
        sink.setClock(60.0, nowNs(), 1.0, true);
        std::vector<float> out(1024 * AudioSink::kChannels);
        // The decoder waits for room with the next second of sound.
        std::atomic<bool> returned{false};
        std::thread decoder([&] {
            sink.write(1, 61.0, tone.data(), second);
            returned = true;
        });
        QTest::qWait(50);
        QVERIFY(!returned);
        // Seek back to 10 s: the clock jumps, the seek flushes at once.
        sink.setClock(10.0, nowNs(), 1.0, true);
        sink.flush(2);
        decoder.join();
        QVERIFY(returned);
        QCOMPARE(sink.bufferedFrames(), size_t(0)); // the old second was dropped
        // A flush of an older serial arriving late changes nothing.
        sink.flush(1);
        QCOMPARE(sink.serial(), 2);
        QVERIFY(sink.write(1, 61.0, tone.data(), 1024)); // stale: dropped
        QCOMPARE(sink.bufferedFrames(), size_t(0));
        // The sound of the new position is heard.
        QVERIFY(sink.write(2, 10.0, tone.data(), second));
        std::fill(out.begin(), out.end(), 0.0f);
        sink.fill(out.data(), 1024);
        QCOMPARE(out[0], 0.5f);
        QCOMPARE(out.back(), 0.5f);
        sink.abort();
    }
};

KV_TEST_MAIN(TestMediaClock)
#include "tst_media_clock.moc"
