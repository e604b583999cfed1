#include "averror.h"

extern "C" {
#include <libavutil/error.h>
}

namespace kvm
{

AVError::AVError(ErrorCode code, const QString &detail, int ffmpegError)
    : _code(code), _detail(detail), _ffmpegError(ffmpegError)
{
}

QString AVError::ffmpegErrorString(int ffmpegError)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(ffmpegError, text, sizeof(text));
    return QString::fromUtf8(text);
}

QString AVError::string() const
{
    QString what;
    switch (_code) {
    case NoError:
        what = QStringLiteral("No error");
        break;
    case OpenError:
        what = QStringLiteral("Cannot open the media");
        break;
    case FindStreamInfoError:
        what = QStringLiteral("Cannot read the stream information");
        break;
    case StreamNotFound:
        what = QStringLiteral("No video stream");
        break;
    case OpenCodecError:
        what = QStringLiteral("Cannot open the decoder");
        break;
    case DecodeError:
        what = QStringLiteral("Decoding failed");
        break;
    case FilterError:
        what = QStringLiteral("Filter graph rejected");
        break;
    case CaptureError:
        what = QStringLiteral("Capture failed");
        break;
    case AudioOutputError:
        what = QStringLiteral("Sound output failed");
        break;
    case UnknownError:
        what = QStringLiteral("Unknown error");
        break;
    }
    if (!_detail.isEmpty())
        what += QStringLiteral(": ") + _detail;
    if (_ffmpegError != 0)
        what += QStringLiteral(" (") + ffmpegErrorString(_ffmpegError) + QLatin1Char(')');
    return what;
}

} // namespace kvm
