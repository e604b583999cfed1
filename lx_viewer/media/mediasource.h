#pragma once
// An opened media file: the FFmpeg demuxer context with its chosen video
// (and audio) stream, and the facts the player reports (duration, start,
// size, frame rate). Internal to the playback layer.
//
// Thread: made on the loader (or demux) thread, then owned by exactly one
// thread at a time (handed over by move).

#include "averror.h"

#include <QSize>
#include <QString>

#include <memory>

struct AVFormatContext;
struct AVStream;

namespace kvm
{

struct MediaInfo {
    qint64 startMs = 0; // the stream's first time stamp
    qint64 durationMs = 0; // the container's duration
    QSize size;
    double fps = 30.0;
    double frameDuration = 1.0 / 30.0; // seconds
    bool hasAudio = false;
};

class MediaSource
{
public:
    // Opens and probes path and checks that a video decoder opens. Null and
    // *error filled on failure.
    static std::unique_ptr<MediaSource> open(const QString &path, AVError *error);
    ~MediaSource();

    AVFormatContext *format() const { return _fmt; }
    int videoIndex() const { return _video; }
    int audioIndex() const { return _audio; }
    AVStream *videoStream() const;
    AVStream *audioStream() const;
    const MediaInfo &info() const { return _info; }

private:
    MediaSource() = default;
    AVFormatContext *_fmt = nullptr;
    int _video = -1;
    int _audio = -1;
    MediaInfo _info;
};

} // namespace kvm
