#pragma once
// An error of the playback layer: what failed (code), a readable text and,
// when FFmpeg reported it, FFmpeg's error number.
//
// Thread: a value type; made on worker threads, handed to the GUI thread by
// copy inside queued calls.

#include <QMetaType>
#include <QString>

namespace kvm
{

class AVError
{
public:
    enum ErrorCode {
        NoError = 0,
        OpenError, // the file cannot be opened
        FindStreamInfoError,
        StreamNotFound, // no video stream
        OpenCodecError, // no decoder, or it cannot be opened
        DecodeError, // a decoder reported a hard error
        FilterError, // a filter graph text was rejected
        CaptureError, // a capture could not be written
        AudioOutputError, // the sound device failed (not: no device)
        UnknownError
    };

    AVError() = default;
    AVError(ErrorCode code, const QString &detail = QString(), int ffmpegError = 0);

    ErrorCode error() const { return _code; }
    // FFmpeg's AVERROR value, 0 when the failure did not come from FFmpeg.
    int ffmpegErrorCode() const { return _ffmpegError; }
    // A readable text: what failed, the detail and FFmpeg's message.
    QString string() const;
    bool isError() const { return _code != NoError; }

    // FFmpeg's message for an AVERROR value.
    static QString ffmpegErrorString(int ffmpegError);

private:
    ErrorCode _code = NoError;
    QString _detail;
    int _ffmpegError = 0;
};

} // namespace kvm

Q_DECLARE_METATYPE(kvm::AVError)
