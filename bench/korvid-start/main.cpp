// korvid-start: starts the viewer exactly as the korvid program does and
// prints one JSON line:
//   first_paint_ms  from KV_BENCH_T0_NS (the wall clock before the program
//                   was started; else the program's main) to the end of the
//                   main window's first paint
//   map_ready_ms    from the same start to the map page having loaded
//   max_stall_ms    longest gap beyond 10 ms between ticks of a 10 ms timer
//                   from the first paint until the map page has loaded (how
//                   long the window could not answer while the web view
//                   started)
// then closes the viewer.

#include "app/kv_startup.h"
#include "ui/kv_dialog_map.h"
#include "ui/kv_widget_map.h"
#include "ui/kv_window_main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace
{

qint64 nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

struct Timing : QObject {
    qint64 t0 = 0;
    qint64 firstPaint = -1;
    qint64 mapReady = -1;
    qint64 lastTick = 0;
    qint64 maxStall = 0;
    QWidget *window = nullptr;
    QTimer ticker;

    qint64 sinceStart() const { return (nowNs() - t0) / 1000000; }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (firstPaint < 0 && event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->window() == window) {
            firstPaint = 0; // taken once the paint has been flushed
            QTimer::singleShot(0, this, [this] { painted(); });
        }
        return false;
    }

    void painted()
    {
        firstPaint = sinceStart();
        lastTick = nowNs();
        connect(&ticker, &QTimer::timeout, this, [this] {
            const qint64 now = nowNs();
            maxStall = std::max(maxStall, (now - lastTick) / 1000000 - 10);
            lastTick = now;
            watchMap();
        });
        ticker.start(10);
    }

    void watchMap()
    {
        KVDialogMap *map = KVDialogMap::existing();
        if (mapReady >= 0 || !map || !map->hasMapWidget() || !map->mapWidget()->isPageLoaded())
            return;
        mapReady = sinceStart();
        ticker.stop();
        std::printf("{\"first_paint_ms\": %lld, \"map_ready_ms\": %lld, \"max_stall_ms\": %lld}\n",
            static_cast<long long>(firstPaint), static_cast<long long>(mapReady),
            static_cast<long long>(std::max<qint64>(0, maxStall)));
        std::fflush(stdout);
        QTimer::singleShot(100, qApp, &QCoreApplication::quit);
    }
};

} // namespace

int main(int argc, char **argv)
{
    Timing timing;
    const QByteArray t0 = qgetenv("KV_BENCH_T0_NS");
    timing.t0 = t0.isEmpty() ? nowNs() : t0.toLongLong();
    return KVStartup::run(argc, argv, [&timing] {
        WindowMain *window = WindowMain::instance();
        timing.window = window;
        qApp->installEventFilter(&timing);
        // Give up after a minute.
        QTimer::singleShot(60000, qApp, [] {
            std::fputs("{\"error\": \"the map page did not load within 60 s\"}\n", stdout);
            QCoreApplication::exit(1);
        });
        return static_cast<QWidget *>(window);
    });
}
