#include "videocapture.h"

#include "avplayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QMetaObject>
#include <QPointer>
#include <QSaveFile>
#include <QThreadPool>
#include <QtDebug>

namespace kvm
{

namespace
{
// Captures get a worker of their own: the shared pool may be busy for
// minutes with a backup, and a capture that waits there comes too late.
// Owned by the application object, which waits for a JPEG being written.
QThreadPool *capturePool()
{
    static QPointer<QThreadPool> pool;
    if (!pool) {
        pool = new QThreadPool(QCoreApplication::instance());
        pool->setMaxThreadCount(1);
    }
    return pool;
}
} // namespace

VideoCapture::VideoCapture(AVPlayer *player) : QObject(player), _player(player)
{
}

VideoCapture::~VideoCapture() = default;

QString VideoCapture::fileNameFor(const VideoFrame &frame) const
{
    return QDir(_dir).filePath(_name + QString::number(frame.ptsMs()) + QStringLiteral(".jpg"));
}

QString VideoCapture::writeJpeg(const VideoFrame &frame, const QString &path, int quality)
{
    if (!frame.isValid())
        return QStringLiteral("no frame");
    const QImage image = frame.toImage();
    if (image.isNull())
        return QStringLiteral("cannot convert the frame");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    QImageWriter writer(&file, "jpg");
    writer.setQuality(quality);
    if (!writer.write(image)) {
        file.cancelWriting();
        return writer.errorString();
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}

void VideoCapture::fail(const QString &why, const QString &path)
{
    qWarning() << "capture failed:" << why << path << "[" << Q_FUNC_INFO << __LINE__ << "]";
    emit error(AVError(AVError::CaptureError, why));
    emit failed(path);
}

bool VideoCapture::capture()
{
    const QString named = QDir(_dir).filePath(_name);
    const QString format = _format.toLower();
    if (format != QLatin1String("jpg") && format != QLatin1String("jpeg")) {
        fail(QStringLiteral("unsupported format ") + _format, named);
        return false;
    }
    const VideoFrame frame = _player ? _player->presentedFrame() : VideoFrame();
    if (!frame.isValid()) {
        fail(QStringLiteral("no frame shown"), named);
        return false;
    }
    if (_dir.isEmpty() || !QDir().mkpath(_dir)) {
        fail(QStringLiteral("cannot make the folder ") + _dir, named);
        return false;
    }
    const QString path = fileNameFor(frame);
    const int quality = _quality;
    QPointer<VideoCapture> self(this);
    // Conversion and JPEG encoding take tens of milliseconds at 1080p: never
    // on the GUI thread. The result goes back through the application object
    // (which outlives every capture); the pointer is only read there.
    capturePool()->start([self, frame, path, quality] {
        const QString why = writeJpeg(frame, path, quality);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, why, path] {
                if (!self)
                    return;
                if (why.isEmpty())
                    emit self->saved(path);
                else
                    self->fail(why, path);
            },
            Qt::QueuedConnection);
    });
    return true;
}

} // namespace kvm
