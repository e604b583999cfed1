#include "kv_mkcard_track.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>

namespace kvmk
{

const char *typeWord(RecordingType type)
{
    switch (type) {
    case RecordingType::Norm:
        return "NORM";
    case RecordingType::Even:
        return "EVEN";
    case RecordingType::Manu:
        return "MANU";
    case RecordingType::Park:
        return "PARK";
    }
    return "NORM";
}

std::vector<RecordingType> recordingTypes(int count)
{
    if (count < 4)
        return {};
    std::vector<RecordingType> types(count, RecordingType::Norm);
    if (count < 8) {
        types[count / 4] = RecordingType::Even;
        types[count / 2] = RecordingType::Manu;
        types[3 * count / 4] = RecordingType::Park;
        return types;
    }
    using T = RecordingType;
    const T block[8] = {T::Norm, T::Norm, T::Even, T::Norm, T::Manu, T::Norm, T::Park, T::Norm};
    for (int i = 0; i < count; ++i)
        types[i] = block[i % 8];
    return types;
}

std::vector<Recording> planCard(int count, int seconds, const QDateTime &start)
{
    std::vector<Recording> card;
    bool frontOnlyGiven = false;
    for (RecordingType type : recordingTypes(count)) {
        Recording r;
        r.type = type;
        r.firstSecond = static_cast<int>(card.size()) * seconds;
        r.start = start.addSecs(r.firstSecond);
        if (type == RecordingType::Manu && !frontOnlyGiven) {
            r.hasRear = false;
            frontOnlyGiven = true;
        }
        card.push_back(r);
    }
    return card;
}

QString fileName(const Recording &recording, bool rear)
{
    return QString::fromLatin1(typeWord(recording.type))
        + recording.start.toString(QStringLiteral("yyMMdd-HHmmss")) + QLatin1Char(rear ? 'R' : 'F')
        + QStringLiteral(".mp4");
}

namespace
{

constexpr double kGravity = 9.80665;
constexpr double kStep = 1.0 / kSamplesPerSecond;
constexpr double kMetresPerDegree = 111320.0;
constexpr double kTurnRadius = 15.0; // m, a city crossing
constexpr double kTurnSpeed = 20.0 / 3.6; // m/s
constexpr double kMaxSpeed = 80.0 / 3.6; // m/s
constexpr double kEventLead = 10.0; // s of steady driving before a hard braking
constexpr double kHomeRadius = 400.0; // m; further out, turns lead back
constexpr double kPi = std::numbers::pi;

// Something the card's plan forces on the drive.
struct Event {
    RecordingType type; // Even: hard braking at start; Park: standing start..end
    double start;
    double end;
};

enum class Phase {
    Wait,
    Cruise,
    Stop,
    Turn,
    EventCruise,
    HardBrake,
    BrakeToStop,
    ParkApproach,
    Parked
};

// A driver in town: cruises, stops at lights, turns at crossings, and obeys
// the card's events. Integrates a point-mass car at 20 Hz.
class Driver
{
public:
    explicit Driver(std::vector<Event> events) : _events(std::move(events)) { }

    DriveSample step(double t)
    {
        handleEvents(t);
        double accel = 0.0;
        double yawRate = 0.0; // rad/s, clockwise (right turn) positive
        drive(t, accel, yawRate);

        if (_phase == Phase::HardBrake)
            _accel = accel; // the spike comes at once
        else
            _accel += (accel - _accel) * std::min(1.0, kStep / 0.3);
        _speed += _accel * kStep;
        if (_speed <= 0.0) {
            _speed = 0.0;
            _accel = std::max(_accel, 0.0);
        }
        _speed = std::min(_speed, kMaxSpeed);
        _heading += yawRate * kStep;
        _east += _speed * std::sin(_heading) * kStep;
        _north += _speed * std::cos(_heading) * kStep;
        return sample(t, yawRate);
    }

private:
    void handleEvents(double t)
    {
        if (_next >= _events.size())
            return;
        const Event &e = _events[_next];
        if (t >= e.start) {
            ++_next;
            if (e.type == RecordingType::Even) {
                _phase = Phase::HardBrake;
                _phaseEnd = t + kHardBrakeSeconds;
            } else {
                _phase = Phase::Parked;
                _phaseStart = t;
                _phaseEnd = e.end;
            }
            return;
        }
        const bool busy = _phase == Phase::Turn || _phase == Phase::EventCruise
            || _phase == Phase::ParkApproach || _phase == Phase::HardBrake
            || _phase == Phase::BrakeToStop || _phase == Phase::Parked;
        if (t >= e.start - kEventLead && !busy) {
            _phase = e.type == RecordingType::Even ? Phase::EventCruise : Phase::ParkApproach;
            _target = 50.0 / 3.6;
        }
    }

    static double clamp(double v, double lo, double hi) { return std::max(lo, std::min(v, hi)); }
    static double stopping(double speed) { return -std::min(2.8, 0.5 + 0.35 * speed); }

    void drive(double t, double &accel, double &yawRate)
    {
        switch (_phase) {
        case Phase::Wait:
            if (t >= _phaseEnd)
                choose(t);
            break;
        case Phase::Cruise:
        case Phase::EventCruise:
            accel = clamp(0.6 * (_target - _speed), -2.0, 1.8);
            // Streets are seldom straight: a gentle bend now and then.
            yawRate = _speed * 0.002 * std::sin(t / 9.0);
            if (_phase == Phase::Cruise && t >= _phaseEnd)
                choose(t);
            break;
        case Phase::Stop:
            accel = stopping(_speed);
            if (_speed <= 0.0) {
                _phase = Phase::Wait;
                _phaseEnd = t + uniform(4.0, 9.0);
            }
            break;
        case Phase::Turn:
            accel = clamp(0.8 * (kTurnSpeed - _speed), -2.5, 1.2);
            if (_speed < kTurnSpeed + 1.5) {
                yawRate = _turnDirection * _speed / kTurnRadius;
                _turnLeft -= std::abs(yawRate) * kStep;
                if (_turnLeft <= 0.0)
                    choose(t);
            }
            break;
        case Phase::HardBrake:
            accel = kHardBrakeG * kGravity;
            if (t >= _phaseEnd)
                _phase = Phase::BrakeToStop;
            break;
        case Phase::BrakeToStop:
            accel = -4.0;
            if (_speed <= 0.0) {
                _phase = Phase::Wait;
                _phaseEnd = t + 4.0;
            }
            break;
        case Phase::ParkApproach:
            accel = _speed > 0.0 ? stopping(_speed) : 0.0;
            break;
        case Phase::Parked:
            if (t >= _phaseEnd) {
                _phase = Phase::Wait;
                _phaseEnd = t + 2.0;
            }
            break;
        }
    }

    // What comes next: after a stretch of road a crossing (turn) or a red
    // light (stop); after a turn or a stop the next stretch of road.
    void choose(double t)
    {
        if (_phase != Phase::Cruise) {
            _phase = Phase::Cruise;
            _target = (uniform(0.0, 1.0) < 0.2 ? uniform(65.0, 78.0) : uniform(30.0, 60.0)) / 3.6;
            _phaseEnd = t + uniform(5.0, 11.0);
            return;
        }
        if (uniform(0.0, 1.0) < 0.4) {
            _phase = Phase::Stop;
            return;
        }
        _phase = Phase::Turn;
        _turnLeft = uniform(0.0, 1.0) < 0.3 ? kPi / 4 : kPi / 2;
        _turnDirection = uniform(0.0, 1.0) < 0.5 ? 1 : -1;
        if (std::hypot(_east, _north) > kHomeRadius) {
            // Turn towards the start so the drive stays in the district.
            const double home = std::atan2(-_east, -_north);
            _turnDirection = std::sin(home - _heading) >= 0.0 ? 1 : -1;
        }
    }

    DriveSample sample(double t, double yawRate)
    {
        const bool moving = _speed > 0.1;
        std::normal_distribution<double> planar(0.0, moving ? 0.025 : 0.008);
        std::normal_distribution<double> vertical(0.0, moving ? 0.045 : 0.008);
        DriveSample s;
        s.fix = t >= kNoFixSeconds;
        if (s.fix) {
            s.latitude = kStartLatitude + _north / kMetresPerDegree;
            s.longitude = kStartLongitude
                + _east / (kMetresPerDegree * std::cos(kStartLatitude * kPi / 180.0));
            s.speedKmh = std::round(_speed * 3.6);
        }
        s.x = _accel / kGravity + planar(_rng);
        s.y = -_speed * yawRate / kGravity + planar(_rng); // left turns positive
        s.z = vertical(_rng);
        if (moving && uniform(0.0, 1.0) < 0.01)
            _bump = 2;
        if (_bump > 0) {
            s.z += 0.2;
            --_bump;
        }
        if (_phase == Phase::Parked && t - _phaseStart >= 1.0 && t - _phaseStart < 1.2) {
            s.z += 0.25; // a door shuts: what woke the parking recording
            s.x += 0.1;
        }
        return s;
    }

    double uniform(double lo, double hi)
    {
        return std::uniform_real_distribution<double>(lo, hi)(_rng);
    }

    std::vector<Event> _events;
    size_t _next = 0;
    std::mt19937 _rng{20201221};
    Phase _phase = Phase::Wait;
    double _phaseStart = 0.0;
    double _phaseEnd = kNoFixSeconds;
    double _target = 0.0;
    double _turnLeft = 0.0;
    int _turnDirection = 1;
    int _bump = 0;
    double _east = 0.0;
    double _north = 0.0;
    double _heading = 0.5; // rad clockwise from north
    double _speed = 0.0; // m/s
    double _accel = 0.0; // m/s², longitudinal
};

} // namespace

std::vector<DriveSample> simulateDrive(
    const std::vector<Recording> &recordings, int secondsPerRecording)
{
    std::vector<Event> events;
    for (const Recording &r : recordings) {
        if (r.type == RecordingType::Even)
            events.push_back({r.type, r.firstSecond + secondsPerRecording / 2.0, 0.0});
        else if (r.type == RecordingType::Park)
            events.push_back(
                {r.type, double(r.firstSecond), double(r.firstSecond + secondsPerRecording)});
    }
    const int seconds = static_cast<int>(recordings.size()) * secondsPerRecording;
    // Whole text samples, plus one for a last recording of an odd length.
    const size_t count = size_t(seconds + kSecondsPerText) * kSamplesPerSecond;
    Driver driver(std::move(events));
    std::vector<DriveSample> drive;
    drive.reserve(count);
    for (size_t i = 0; i < count; ++i)
        drive.push_back(driver.step(double(i) * kStep));
    return drive;
}

int accelCode(double g)
{
    const int n = static_cast<int>(std::lround(g / kAccelStep));
    const int clamped = std::clamp(n, -223, 31);
    return clamped >= 0 ? clamped : 255 + clamped;
}

double accelFromCode(int code)
{
    return (code > 31 ? code - 255 : code) * kAccelStep;
}

std::string sensorText(
    const std::vector<DriveSample> &drive, size_t first, const QDateTime &cardStart)
{
    std::string text;
    if (drive.empty())
        return text;
    text.reserve(kEntriesPerText * 48);
    char entry[96];
    for (int k = 0; k < kEntriesPerText; ++k) {
        const size_t index = std::min(first + k, drive.size() - 1);
        const DriveSample &s = drive[index];
        const QByteArray when = cardStart.addSecs(qint64(index / kSamplesPerSecond))
                                    .toString(QStringLiteral("yyyyMMddHHmmss"))
                                    .toLatin1();
        std::snprintf(entry, sizeof entry, "%s/%d/%.6f/%.6f/%d/%02X/%02X/%02X,", when.constData(),
            s.fix ? 1 : 0, s.fix ? s.longitude : 0.0, s.fix ? s.latitude : 0.0,
            s.fix ? static_cast<int>(s.speedKmh) : 0, accelCode(s.z), accelCode(s.x),
            accelCode(s.y));
        text += entry;
    }
    return text;
}

} // namespace kvmk
