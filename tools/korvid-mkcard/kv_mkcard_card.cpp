#include "kv_mkcard_card.h"

#include "kv_mkcard_painter.h"
#include "kv_mkcard_sound.h"
#include "kv_mkcard_track.h"
#include "kv_mkcard_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <thread>
#include <vector>

namespace kvmk
{

namespace
{

// Writes one camera's file of one recording; false with *error on failure
// (no file is left under the final name then).
bool writeFile(const CardOptions &options, const Recording &recording, bool rear,
    const std::vector<DriveSample> &drive, QString *error)
{
    const QString name = fileName(recording, rear);
    const QDir folder(options.folder);
    const QString path = folder.filePath(name);
    const QString partial = folder.filePath(QLatin1Char('.') + name + QStringLiteral(".part"));
    const QSize size = rear ? options.rear : options.front;
    const int fps = options.fps;
    const int frames = options.seconds * fps;
    const int framesPerText = kSecondsPerText * fps;
    const size_t firstSample = size_t(recording.firstSecond) * kSamplesPerSecond;

    RecordingWriter writer;
    FramePainter painter(size.width(), size.height(), rear, QFileInfo(name).completeBaseName());
    EngineSound sound(kAudioRate);
    std::vector<float> audio;
    int64_t audioDone = 0;
    bool ok = writer.open(partial, size.width(), size.height(), fps);
    for (int n = 0; ok && n < frames; ++n) {
        if (n % framesPerText == 0) {
            const int k = n / framesPerText;
            const int64_t startMs = int64_t(k) * kSecondsPerText * 1000;
            const int64_t durationMs = std::min<int64_t>(
                kSecondsPerText * 1000, int64_t(options.seconds) * 1000 - startMs);
            const size_t first = firstSample + size_t(k) * kEntriesPerText;
            ok = writer.writeText(sensorText(drive, first, options.start), startMs, durationMs);
        }
        AVFrame *picture = ok ? writer.frame() : nullptr;
        if (!picture) {
            ok = false;
            break;
        }
        painter.paint(picture, n, fps, recording.start);
        ok = writer.writeVideoFrame();

        const int64_t audioTarget = int64_t(n + 1) * kAudioRate / fps;
        const int count = static_cast<int>(audioTarget - audioDone);
        const size_t index
            = std::min(drive.size() - 1, firstSample + size_t(n) * kSamplesPerSecond / fps);
        audio.resize(size_t(count));
        sound.render(audio.data(), count, drive[index].speedKmh);
        ok = ok && writer.writeAudio(audio.data(), count);
        audioDone = audioTarget;
    }
    ok = ok && writer.finish();
    if (ok) {
        QFile::remove(path);
        if (QFile::rename(partial, path))
            return true;
        *error = QStringLiteral("cannot rename %1 to %2").arg(partial, path);
    } else {
        *error = QStringLiteral("%1: %2").arg(path, writer.error());
    }
    QFile::remove(partial);
    return false;
}

} // namespace

bool writeCard(const CardOptions &options, QStringList *written, QString *error)
{
    if (!QDir().mkpath(options.folder)) {
        *error = QStringLiteral("cannot create the folder %1").arg(options.folder);
        return false;
    }
    const std::vector<Recording> card
        = planCard(options.recordings, options.seconds, options.start);
    if (card.empty()) {
        *error = QStringLiteral("a card needs at least 4 recordings");
        return false;
    }
    const std::vector<DriveSample> drive = simulateDrive(card, options.seconds);
    for (const Recording &recording : card) {
        QString frontError;
        QString rearError;
        bool rearOk = true;
        std::thread rear;
        if (recording.hasRear)
            rear = std::thread(
                [&] { rearOk = writeFile(options, recording, true, drive, &rearError); });
        const bool frontOk = writeFile(options, recording, false, drive, &frontError);
        if (rear.joinable())
            rear.join();
        if (!frontOk || !rearOk) {
            *error = !frontOk ? frontError : rearError;
            return false;
        }
        written->append(fileName(recording, false));
        if (recording.hasRear)
            written->append(fileName(recording, true));
    }
    return true;
}

} // namespace kvmk
