#pragma once
// Video files for the playback-layer tests: demo recordings made by
// korvid-mkcard (every frame carries the frame-number strip) and clips made
// by the ffmpeg program.

#include "media/videoframe.h"

#include <QSize>
#include <QString>
#include <QStringList>

namespace KVMediaFixture
{

// Runs korvid-mkcard into folder; returns the front files (sorted) of the
// card, empty on failure (*error says why). fps 0: the writer's own rate.
QStringList makeCard(const QString &folder, QSize front, QSize rear, int seconds, int recordings,
    QString *error, int fps = 0);
// A small demo card (front 320x180, rear 160x90, four recordings of seconds
// at fps) in folder; the first recording's front file, empty on failure (the
// reason is logged).
QString makeSmallRecording(const QString &folder, int fps, int seconds);
// The rear file of a recording's front file.
QString rearOf(const QString &frontPath);

// Runs the ffmpeg program with args; empty on success, else its complaint.
QString runFfmpeg(const QStringList &args);
// A testsrc2 clip without B-frames and with a keyframe every second.
QString makeTestClip(const QString &path, QSize size, int seconds, bool faststart = false);

// Frame number index (from 0, in presentation order) of a file's video, as
// the decoder gives it; invalid when there is none.
kvm::VideoFrame decodeFrame(const QString &path, int index);

} // namespace KVMediaFixture
