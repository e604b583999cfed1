#pragma once
// RecordingWriter: one camera file of the demo card, as the recorder writes
// it: an MP4 with H.264 video (libx264, keyframe every second, no B-frames),
// mono 48 kHz AAC audio and the sensor track as a "tx3g" text stream
// (mov_text), whose samples hold exactly the given sensor text.
//
// Usage: open(), then per frame paint into frame() and writeVideoFrame(),
// feed audio with writeAudio() and text samples with writeText() in time
// order, and finish(). Every call returns false on failure, with error()
// saying why; a writer that failed is done.
//
// Thread: one thread per writer; writers share nothing.

#include <QString>

#include <cstdint>
#include <string>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

namespace kvmk
{

constexpr int kAudioRate = 48000;

class RecordingWriter
{
public:
    RecordingWriter() = default;
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter &) = delete;
    RecordingWriter &operator=(const RecordingWriter &) = delete;

    bool open(const QString &path, int width, int height, int fps);

    // The YUV 4:2:0 picture to paint next; writable until writeVideoFrame.
    AVFrame *frame();
    // Encodes frame() as the next frame (pts = frames written so far).
    bool writeVideoFrame();
    // Appends mono samples (-1..1) to the audio stream.
    bool writeAudio(const float *samples, int count);
    // One text sample shown from startMs for durationMs.
    bool writeText(const std::string &text, int64_t startMs, int64_t durationMs);
    // Flushes the encoders and writes the movie header; closes the file.
    bool finish();

    QString error() const { return _error; }

private:
    bool fail(const QString &what, int code = 0);
    bool openVideo(int width, int height, int fps);
    bool openAudio();
    bool openText();
    bool encodeAudioFrame(int samples);
    bool drain(AVCodecContext *codec, AVStream *stream, AVFrame *input);
    bool writePacket(AVPacket *packet, AVCodecContext *codec, AVStream *stream);
    void close();

    QString _error;
    AVFormatContext *_format = nullptr;
    AVCodecContext *_video = nullptr;
    AVCodecContext *_audio = nullptr;
    AVCodecContext *_text = nullptr;
    AVStream *_videoStream = nullptr;
    AVStream *_audioStream = nullptr;
    AVStream *_textStream = nullptr;
    AVFrame *_picture = nullptr;
    AVFrame *_sound = nullptr;
    AVPacket *_packet = nullptr;
    int64_t _framesWritten = 0;
    int64_t _samplesWritten = 0; // audio samples handed to the encoder
    int _soundFill = 0; // samples waiting in _sound
    bool _headerWritten = false;
    bool _finished = false;
};

} // namespace kvmk
