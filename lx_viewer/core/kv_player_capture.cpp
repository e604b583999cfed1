// KVPlayer: the capture sequence. The main player is paused, then the
// picture it shows is written as a JPEG file into the backup folder; the
// capture dialog takes over from videoCaptureDone.

#include "kv_player.h"

#include "app/kv_app.h"
#include "media/avplayer.h"
#include "media/videocapture.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>
#include <QtDebug>

using kvm::AVPlayer;

bool KVPlayer::prepareForCapture()
{
    if (!_playerF->isLoaded() || _playerF->position() <= 0)
        return false;
    if (!_playerF->isPaused())
        playOrPause(false);
    return true;
}

bool KVPlayer::startCapture()
{
    // 1.
    if (_captureFailTimer || !_playerF->isLoaded() || _playerF->position() <= 0)
        return false;
    const bool wasPaused = _playerF->isPaused();
    if (!wasPaused)
        playOrPause(false);
    // Until this capture names its file, a late report of an earlier one
    // matches nothing.
    _captureName.clear();
    _captureFailTimer = new QTimer(this);
    _captureFailTimer->setSingleShot(true);
    connect(_captureFailTimer, &QTimer::timeout, this, &KVPlayer::onFailToCapture);
    _captureFailTimer->start(kCaptureFailMs);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (wasPaused) {
        QTimer::singleShot(kCaptureDelayMs, this, &KVPlayer::requestVideoCaptureProcess);
    } else {
        delete _readyTimer;
        _readyTimer = new QTimer(this);
        connect(_readyTimer, &QTimer::timeout, this, &KVPlayer::onReadyForCapture);
        _readyTimer->start(kCaptureReadyPollMs);
    }
    return true;
}

void KVPlayer::onReadyForCapture()
{
    // 2.
    if (!_playerF->isPaused() || (_playerR->isLoaded() && !_playerR->isPaused()))
        return;
    if (_readyTimer) {
        _readyTimer->deleteLater();
        _readyTimer = nullptr;
    }
    QTimer::singleShot(kCaptureDelayMs, this, &KVPlayer::requestVideoCaptureProcess);
}

void KVPlayer::requestVideoCaptureProcess()
{
    // A capture given up (2000 ms passed) is not taken up again.
    if (!_captureFailTimer)
        return;
    // A seek still under way (a click on the slider, a flip or a picture
    // change just before, on a long group of pictures) would give the frame
    // from before it: the capture waits for the frame the screen will show.
    if (_playerF->isSeeking()) {
        connect(_playerF, &AVPlayer::seekFinished, this, &KVPlayer::requestVideoCaptureProcess,
            static_cast<Qt::ConnectionType>(Qt::SingleShotConnection | Qt::UniqueConnection));
        return;
    }
    // 3.
    _captures = std::make_unique<QStringList>();
    _captureDir = KVApp::path(KVApp::PATH_BACKUP);
    kvm::VideoCapture *capture = _playerF->videoCapture();
    if (!capture)
        return;
    capture->setAsync(false);
    capture->setCaptureDir(_captureDir);
    capture->setSaveFormat(QStringLiteral("jpg"));
    const QString base = _item ? _item->captureBaseName(_displayPosition) : QString();
    // The main picture is the rear camera's after a swap, or when the
    // recording has no front file: the name says so (CH2), and the capture
    // dialog calls the picture a rear one.
    const bool rearPicture = _item && _playerF->file() != _item->frontPath();
    _captureName = base + (rearPicture ? QStringLiteral("_CH2_") : QStringLiteral("_CH1_"));
    capture->setCaptureName(_captureName);
    connect(capture, &kvm::VideoCapture::saved, this, &KVPlayer::onCaptureSavedFront,
        Qt::UniqueConnection);
    connect(
        capture, &kvm::VideoCapture::failed, this, &KVPlayer::onCaptureError, Qt::UniqueConnection);
    if (!capture->capture())
        qInfo() << "capture not started" << _captureDir << "[" << Q_FUNC_INFO << __LINE__ << "]";
}

bool KVPlayer::isOwnCapture(const QString &path) const
{
    // The capture running now, once it has named its file: a report of a
    // capture given up, or of an earlier one, is not its own.
    return _captureFailTimer && !_captureName.isEmpty()
        && QFileInfo(path).fileName().startsWith(_captureName);
}

void KVPlayer::onCaptureSavedFront(const QString &path)
{
    // 4. A file that comes after its capture was given up, or one of an
    // earlier capture, is nobody's: it would stay in the backup folder
    // unseen, so it goes.
    if (!_captures || !isOwnCapture(path)) {
        qInfo() << "late capture removed" << path << "[" << Q_FUNC_INFO << __LINE__ << "]";
        QFile::remove(path);
        return;
    }
    _captures->append(path);
    QGuiApplication::restoreOverrideCursor();
    delete _captureFailTimer;
    _captureFailTimer = nullptr;
    emit videoCaptureDone(_captures.get());
}

void KVPlayer::onCaptureError(const QString &path)
{
    // The picture could not be written: waiting out the two seconds would
    // only end in silence, and the next try would fail the same way. A
    // failure of a capture given up earlier does not end a newer one.
    if (!isOwnCapture(path)) {
        qInfo() << "late capture failure ignored" << path << "[" << Q_FUNC_INFO << __LINE__ << "]";
        return;
    }
    onFailToCapture();
    emit videoCaptureFailed(_captureDir);
}

void KVPlayer::onFailToCapture()
{
    // 5. silently
    if (_captureFailTimer) {
        _captureFailTimer->deleteLater();
        _captureFailTimer = nullptr;
    }
    if (_readyTimer) {
        _readyTimer->deleteLater();
        _readyTimer = nullptr;
    }
    QGuiApplication::restoreOverrideCursor();
}
