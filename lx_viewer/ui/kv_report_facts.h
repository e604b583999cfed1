#pragma once
// What the viewer knows about the moment a report is made of, as the texts
// the report form writes into its cells: the recording (file name, start),
// the moment shown (its position and its date and time) and, when the
// recorder had a position fix in that second, the coordinates and speed.
//
// Thread: GUI thread (reads the recording item the player holds).

#include <QDateTime>
#include <QString>

class KVVideoItem;

struct KVReportFacts {
    QString recordingName; // file name of the displayed file; empty: none
    QDateTime recordingStart; // invalid: unknown
    qint64 positionMs = -1; // the moment shown, from the recording's start
    bool hasFix = false;
    double latitude = 0.0;
    double longitude = 0.0;
    double speed = 0.0; // km/h

    // The facts of item at position (of total ms, the main player's
    // duration): the position record is the one the displays show,
    // index = trunc(count x position / total).
    static KVReportFacts fromRecording(KVVideoItem *item, qint64 positionMs, qint64 totalMs);

    // "2020年12月21日 10時20分50秒"; empty when unknown.
    QString startText() const;
    QString momentText() const;
    // "00:03" (the recording's position text); empty when unknown.
    QString positionText() const;
    // "北緯 35.658500°  東経 139.745300°"; empty without a fix.
    QString coordinatesText() const;
    // "42 km/h"; empty without a fix.
    QString speedText() const;

    static QString dateTimeText(const QDateTime &t);
};
