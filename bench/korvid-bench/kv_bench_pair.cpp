#include "kv_bench_pair.h"

#include "media/timesource.h"
#include "media/videorenderer.h"

#if __has_include("media/render/widgetrenderers.h")
#include "media/render/widgetrenderers.h"
#define KV_BENCH_HAVE_WIDGETS 1
#endif

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHBoxLayout>
#include <QHash>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace KVBench
{

Pair::Pair(bool withWidgets)
{
    front.setRelativeTimeMode(false);
    rear.setRelativeTimeMode(false);
    rear.setSecondary(true);
    front.setSeekType(kvm::AccurateSeek);
    rear.setSeekType(kvm::AccurateSeek);
    front.setMediaEndAction(kvm::MediaEndAction_KeepDisplay);
    rear.setMediaEndAction(kvm::MediaEndAction_KeepDisplay);
    front.addVideoRenderer(&frontOut);
    rear.addVideoRenderer(&rearOut);
    // The main player's seek re-aligns every clock on one value.
    QObject::connect(&front, &kvm::AVPlayer::seekFinished, &front, [this](qint64 pos) {
        clock.updateExternalClock(pos);
        front.masterClock()->updateExternalClock(clock);
        rear.masterClock()->updateExternalClock(clock);
        _frontSeekNs = kvm::nowNs();
        ++_frontSeeks;
    });
    QObject::connect(&rear, &kvm::AVPlayer::seekFinished, &rear, [this](qint64) {
        _rearSeekNs = kvm::nowNs();
        ++_rearSeeks;
    });
#ifdef KV_BENCH_HAVE_WIDGETS
    if (withWidgets) {
        kvm::registerWidgetRenderers();
        kvm::VideoRenderer *f = kvm::VideoRenderer::create(QStringLiteral("Widget"));
        kvm::VideoRenderer *r = kvm::VideoRenderer::create(QStringLiteral("Widget"));
        if (f && r && f->widget() && r->widget()) {
            _window = std::make_unique<QWidget>();
            auto *layout = new QHBoxLayout(_window.get());
            f->widget()->setFixedSize(960, 540);
            r->widget()->setFixedSize(480, 270);
            layout->addWidget(f->widget());
            layout->addWidget(r->widget(), 0, Qt::AlignTop);
            _window->show();
            front.addVideoRenderer(f);
            rear.addVideoRenderer(r);
            _widgetsReady = true;
            waitUntil([this] { return _window->isVisible(); }, 2000, 10);
            runFor(200); // let the window be mapped and painted once
        } else {
            delete f;
            delete r;
        }
    }
#else
    Q_UNUSED(withWidgets);
#endif
}

Pair::~Pair()
{
    stopBoth();
    _window.reset(); // the widget renderers detach themselves
}

bool Pair::waitUntil(const std::function<bool()> &pred, int timeoutMs, int pollMs)
{
    if (pred())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(pollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (pred())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return pred();
}

void Pair::runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Pair::load(const QString &frontFile, const QString &rearFile, QString *why)
{
    front.setFile(frontFile);
    rear.setFile(rearFile);
    front.load();
    rear.load();
    auto settled = [](const kvm::AVPlayer &p) {
        return p.isLoaded() || p.mediaStatus() == kvm::InvalidMedia;
    };
    waitUntil([&] { return settled(front) && settled(rear); }, 30000, 5);
    if (!front.isLoaded() || !rear.isLoaded()) {
        *why = QStringLiteral("cannot load %1").arg(front.isLoaded() ? rearFile : frontFile);
        return false;
    }
    return true;
}

bool Pair::start(double speed, QString *why)
{
    clock.setSpeed(speed);
    front.setSpeed(speed);
    rear.setSpeed(speed);
    clock.start();
    front.play();
    rear.play();
    if (!seekBoth(startMs())) {
        *why = QStringLiteral("the aligning seek did not finish");
        return false;
    }
    return true;
}

bool Pair::seekBoth(qint64 ms, double *elapsedMs, int timeoutMs)
{
    const int f = _frontSeeks;
    const int r = _rearSeeks;
    const qint64 t0 = kvm::nowNs();
    front.seek(ms);
    rear.seek(ms);
    const bool done = waitUntil([&] { return _frontSeeks > f && _rearSeeks > r; }, timeoutMs, 1);
    if (elapsedMs)
        *elapsedMs = done ? double(std::max(_frontSeekNs, _rearSeekNs) - t0) / 1e6 : -1.0;
    return done;
}

void Pair::pauseBoth(bool p)
{
    front.pause(p);
    rear.pause(p);
}

void Pair::stopBoth()
{
    front.stop();
    rear.stop();
}

double Pair::fps() const
{
    const double f = front.frameRate();
    return f > 0 ? f : 30.0;
}

qint64 Pair::commonDurationMs() const
{
    return std::min(front.duration(), rear.duration());
}

int Pair::frameAt(qint64 ms) const
{
    return int(std::floor(double(ms - startMs()) * fps() / 1000.0 + 1e-6));
}

SyncFigures measureSync(const QList<kvm::NullRenderer::Record> &main,
    const QList<kvm::NullRenderer::Record> &secondary, const QList<Span> &spans)
{
    SyncFigures out;
    for (const Span &span : spans) {
        // When the secondary showed each frame number inside this span.
        QHash<int, qint64> shownAt;
        for (const auto &r : secondary)
            if (r.atNs >= span.fromNs && r.atNs <= span.toNs && r.frameNumber >= 0)
                shownAt.insert(r.frameNumber, r.atNs);
        qsizetype j = 0; // secondary records are in the order they were shown
        const kvm::NullRenderer::Record *shown = nullptr;
        for (const auto &m : main) {
            if (m.atNs < span.fromNs || m.atNs > span.toNs || m.frameNumber < 0)
                continue;
            while (j < secondary.size() && secondary.at(j).atNs <= m.atNs)
                shown = &secondary.at(j++);
            if (shown && shown->frameNumber >= 0) {
                ++out.compared;
                const int diff = std::abs(m.frameNumber - shown->frameNumber);
                out.maxFrameDiff = std::max(out.maxFrameDiff, diff);
                if (diff <= 1)
                    ++out.withinOne;
            }
            const auto it = shownAt.constFind(m.frameNumber);
            if (it == shownAt.constEnd())
                ++out.unmatched;
            else
                out.skewsMs << double(std::llabs(it.value() - m.atNs)) / 1e6;
        }
    }
    return out;
}

bool dumpRecords(const QString &path, const QList<kvm::NullRenderer::Record> &main,
    const QList<kvm::NullRenderer::Record> &secondary)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    out << "player,atNs,pts,serial,frame\n";
    int player = 0;
    for (const auto *list : {&main, &secondary}) {
        for (const auto &r : *list)
            out << player << ',' << r.atNs << ',' << QString::number(r.pts, 'f', 4) << ','
                << r.serial << ',' << r.frameNumber << '\n';
        ++player;
    }
    out.flush();
    return file.error() == QFile::NoError;
}

int targetFrameSince(const kvm::NullRenderer &out, int from)
{
    const QList<kvm::NullRenderer::Record> records = out.records();
    if (records.size() <= from)
        return -1;
    const int serial = records.last().serial;
    for (qsizetype i = std::max(0, from); i < records.size(); ++i)
        if (records.at(i).serial == serial)
            return records.at(i).frameNumber;
    return -1;
}

} // namespace KVBench
