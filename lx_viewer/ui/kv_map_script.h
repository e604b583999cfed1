#pragma once
// The statements the map page understands (":/html/gmap.html"), built from a
// recording's sensor data, and the car position the page was last told.
//
//   drawPaths([[{lat:35.658520, lng:139.745327},...],[...]]);
//   moveToMap(35.658520,139.745327);
//   clearPath();
//   clearCarMarker();
//
// A position is shown on the map only inside the box the recorder's market
// covers: latitude strictly between 20 and 46, longitude strictly between
// 120 and 150.
//
// Thread: any; plain functions and a value type.

#include <QString>

class KVSensorData;

namespace KVMapScript
{

bool isValidPosition(double latitude, double longitude);

// "drawPaths([" + segments + "]);": each segment is a maximal run of records
// with a fix and a valid position; records without either split the track.
QString drawPaths(const KVSensorData &data);
QString moveToMap(double latitude, double longitude);
QString clearPath();
QString clearCarMarker();

// Index of the record (periodMs 1000) or sample (50) for a play position:
// the slot that holds the position, counted from the start, so the record of
// second s starts at s x 1000 ms whatever the recording's length (the data
// covers its whole seconds only; a share of count over the length would run
// up to a second behind the picture near the end of a recording that is not
// a whole number of seconds long). Before the end the index is at most
// count - 1: the cut-off last part of a second shows the last slot. At or
// past the end it is count or more. -1 when the duration is not positive; a
// negative position counts as 0.
qint64 indexAt(quint64 count, qint64 position, qint64 duration, qint64 periodMs);

// True for the statements that reset the page's track (and its car).
bool isPathStatement(const QString &statement);

} // namespace KVMapScript

// The car marker's side of the map: which statement a position update sends,
// given what the page was told last.
class KVMapCar
{
public:
    static constexpr double kNone = -10000.0;

    // Forget the last position (the next valid one is sent again).
    void reset();
    // The statement for this moment of the recording, or an empty text when
    // the page already shows it: "clearCarMarker();" when the record is past
    // the end, has no fix or lies outside the box, else "moveToMap(...);"
    // unless latitude, longitude and speed equal the last ones sent (a
    // clear forgets them, so the marker always comes back). An empty
    // text too when the duration is not positive.
    QString update(const KVSensorData &data, qint64 position, qint64 duration);

    double latitude() const { return _latitude; }
    double longitude() const { return _longitude; }
    double speed() const { return _speed; }

private:
    double _latitude = kNone;
    double _longitude = kNone;
    double _speed = kNone;
};
