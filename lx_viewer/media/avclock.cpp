#include "avclock.h"

#include "timesource.h"

#include <cmath>

namespace kvm
{

AVClock::AVClock(QObject *parent) : QObject(parent)
{
}

AVClock::AVClock(ClockType type, QObject *parent) : QObject(parent), _type(type)
{
}

void AVClock::setClockType(ClockType type)
{
    std::lock_guard lock(_mutex);
    _type = type;
}

AVClock::ClockType AVClock::clockType() const
{
    std::lock_guard lock(_mutex);
    return _type;
}

void AVClock::setClockAuto(bool automatic)
{
    std::lock_guard lock(_mutex);
    _auto = automatic;
}

bool AVClock::isClockAuto() const
{
    std::lock_guard lock(_mutex);
    return _auto;
}

double AVClock::valueLocked(qint64 now) const
{
    if (!_started || _paused || _held)
        return _base;
    return _base + double(now - _startNs) * 1e-9 * _speed;
}

void AVClock::rebaseLocked(qint64 now)
{
    _base = valueLocked(now);
    _startNs = now;
}

double AVClock::value() const
{
    const qint64 now = nowNs();
    std::lock_guard lock(_mutex);
    return valueLocked(now);
}

qint64 AVClock::valueMs() const
{
    return qint64(std::llround(value() * 1000.0));
}

void AVClock::start()
{
    {
        const qint64 now = nowNs();
        std::lock_guard lock(_mutex);
        rebaseLocked(now);
        _started = true;
        _paused = false;
    }
    emit started();
}

void AVClock::pause(bool p)
{
    {
        const qint64 now = nowNs();
        std::lock_guard lock(_mutex);
        if (_paused == p)
            return;
        rebaseLocked(now);
        _paused = p;
    }
    emit paused(p);
}

void AVClock::reset()
{
    {
        std::lock_guard lock(_mutex);
        _base = 0.0;
        _startNs = nowNs();
        _started = false;
        _paused = false;
        _held = false;
        _holdSerial = -1;
    }
    emit resetDone();
}

bool AVClock::isActive() const
{
    std::lock_guard lock(_mutex);
    return _started && !_paused && !_held;
}

bool AVClock::isPaused() const
{
    std::lock_guard lock(_mutex);
    return _paused;
}

void AVClock::setSpeed(qreal speed)
{
    if (!(speed > 0.0))
        return;
    const qint64 now = nowNs();
    std::lock_guard lock(_mutex);
    rebaseLocked(now);
    _speed = speed;
}

qreal AVClock::speed() const
{
    std::lock_guard lock(_mutex);
    return _speed;
}

void AVClock::updateExternalClock(qint64 ms)
{
    const qint64 now = nowNs();
    std::lock_guard lock(_mutex);
    _base = double(ms) / 1000.0;
    _startNs = now;
    _held = false;
}

void AVClock::updateExternalClock(const AVClock &other, double offsetSeconds)
{
    if (&other == this)
        return;
    const qint64 now = nowNs();
    double value;
    double speed;
    {
        std::lock_guard lock(other._mutex);
        value = other.valueLocked(now);
        speed = other._speed;
    }
    std::lock_guard lock(_mutex);
    _base = value + offsetSeconds;
    _startNs = now;
    _speed = speed;
    _held = false;
}

void AVClock::holdForSeek(double seconds, int serial)
{
    const qint64 now = nowNs();
    std::lock_guard lock(_mutex);
    _base = seconds;
    _startNs = now;
    _held = true;
    _holdSerial = serial;
}

bool AVClock::releaseSeekHold(int serial)
{
    const qint64 now = nowNs();
    std::lock_guard lock(_mutex);
    if (!_held || _holdSerial != serial)
        return false;
    _held = false;
    _startNs = now;
    return true;
}

bool AVClock::isHeld() const
{
    std::lock_guard lock(_mutex);
    return _held;
}

} // namespace kvm
