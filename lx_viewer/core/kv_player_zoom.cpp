#include "kv_player_zoom.h"

#include "media/avfilter.h"
#include "media/avplayer.h"
#include "media/videorenderer.h"

#include <QAbstractSlider>
#include <QWidget>
#include <QtDebug>

#include <algorithm>
#include <cmath>

using kvm::LibAVFilterVideo;
using kvm::VideoRenderer;

KVPlayerZoom::KVPlayerZoom(QObject *parent) : KVPlayerBase(parent)
{
}

KVPlayerZoom::~KVPlayerZoom()
{
    stopZoom(true);
}

// ---------------------------------------------------------------- flips

QString KVPlayerZoom::flipOptions(bool h, bool v)
{
    QString options = QStringLiteral("format=pix_fmts=rgb24");
    if (h)
        options += QStringLiteral(",hflip");
    if (v)
        options += QStringLiteral(",vflip");
    return options;
}

void KVPlayerZoom::onToggleHFlipMain()
{
    bool &flag = _swapped ? _rearFlipH : _frontFlipH;
    flag = !flag;
    applyFlip(!_swapped);
}

void KVPlayerZoom::onToggleVFlipMain()
{
    bool &flag = _swapped ? _rearFlipV : _frontFlipV;
    flag = !flag;
    applyFlip(!_swapped);
}

void KVPlayerZoom::applyFlip(bool front)
{
    // 1.
    LibAVFilterVideo *&filter = front ? _flipFilterFront : _flipFilterRear;
    delete filter; // uninstalls itself
    filter = nullptr;
    const bool h = front ? _frontFlipH : _rearFlipH;
    const bool v = front ? _frontFlipV : _rearFlipV;
    // 2.-4. installed on that camera's player (the one in the main frame,
    // also while a load has the roles as created)
    if (h || v) {
        filter = new LibAVFilterVideo(this);
        filter->installTo(front ? _front : _rear);
        filter->setOptions(flipOptions(h, v));
    }
    // 5.
    refreshPicture();
}

// ---------------------------------------------------------------- equaliser

QString KVPlayerZoom::eqOptions(float brightness, float contrast)
{
    const bool b = brightness > -100.0f;
    const bool c = contrast > -100.0f;
    QString options = QStringLiteral("format=pix_fmts=rgb24,eq=");
    if (b) {
        options += QString::asprintf("brightness=%.3f", double(brightness));
        if (c)
            options += QLatin1Char(':');
    }
    if (c)
        options += QString::asprintf("contrast=%.3f", double(contrast));
    return options;
}

void KVPlayerZoom::onSetBrightness()
{
    auto *slider = qobject_cast<QAbstractSlider *>(sender());
    if (!slider)
        return;
    _brightness = -0.5f + float(slider->value()) / 100.0f;
    applyEq();
}

void KVPlayerZoom::onSetContrast()
{
    auto *slider = qobject_cast<QAbstractSlider *>(sender());
    if (!slider)
        return;
    _contrast = 0.1f + 1.8f * float(slider->value()) / 100.0f;
    applyEq();
}

void KVPlayerZoom::applyEq()
{
    // 1. dead zones around the neutral values
    if (_brightness > -0.05f && _brightness < 0.05f)
        _brightness = kEqOff;
    if (_contrast > 0.95f && _contrast < 1.05f)
        _contrast = kEqOff;
    // 2.
    if (_brightness <= -100.0f && _contrast <= -100.0f) {
        delete _eqFilterMain;
        delete _eqFilterSecondary;
        _eqFilterMain = nullptr;
        _eqFilterSecondary = nullptr;
        refreshPicture();
        return;
    }
    // 3.-4. the same graph on both players
    const QString options = eqOptions(_brightness, _contrast);
    if (!_eqFilterMain) {
        _eqFilterMain = new LibAVFilterVideo(this);
        _eqFilterMain->installTo(_playerF);
    }
    if (!_eqFilterSecondary) {
        _eqFilterSecondary = new LibAVFilterVideo(this);
        _eqFilterSecondary->installTo(_playerR);
    }
    _eqFilterMain->setOptions(options);
    _eqFilterSecondary->setOptions(options);
    // 5.
    refreshPicture();
}

void KVPlayerZoom::refreshPicture()
{
}

// ---------------------------------------------------------------- zoom

QWidget *KVPlayerZoom::startZoom(bool withOverview)
{
    // 1.
    const QList<VideoRenderer *> outputs = _playerF->videoOutputs();
    if (outputs.isEmpty()) {
        qInfo() << "NO OUTPUTS"
                << "["
                << "KVPlayerZoom::startZoom" << __LINE__ << "]";
        return nullptr;
    }
    // 2. the centre half, two times larger
    _zoomedOutput = outputs.first();
    _zoomedOutput->setRegionOfInterest(QRectF(0.25, 0.25, 0.5, 0.5));
    // 3.
    if (withOverview && !_zoomRenderer) {
        _zoomRenderer = VideoRenderer::create(_rendererId);
        if (_zoomRenderer) {
            _zoomRenderer->setOutAspectRatioMode(VideoRenderer::CustomAspectRation);
            _zoomRenderer->setOutAspectRatio(16.0 / 9.0);
        }
    }
    // 4.
    if (_zoomRenderer)
        _playerF->addVideoRenderer(_zoomRenderer);
    // 5. both outputs show the paused frame
    if (_playerF->isPaused())
        _playerF->seek(std::min(_playerF->position(), _playerF->duration()));
    // 6.
    return _zoomRenderer ? _zoomRenderer->widget() : nullptr;
}

bool KVPlayerZoom::setZoomCenter(float x, float y, bool)
{
    if (!_zoomedOutput)
        return false;
    const double cx = std::trunc(double(x) * 100.0 + 1e-6) / 100.0;
    const double cy = std::trunc(double(y) * 100.0 + 1e-6) / 100.0;
    _zoomedOutput->setRegionOfInterest(QRectF(cx, cy, 0.5, 0.5));
    return true;
}

void KVPlayerZoom::stopZoom(bool removeOverview)
{
    if (_zoomedOutput)
        _zoomedOutput->setRegionOfInterest(QRectF());
    if (removeOverview) {
        if (_zoomRenderer) {
            _zoomRenderer->detachFromPlayer();
            delete _zoomRenderer;
        }
        _zoomRenderer = nullptr;
        _zoomedOutput = nullptr;
    }
}
