#include "kv_slider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

KVSlider::KVSlider(QWidget *parent) : QSlider(Qt::Horizontal, parent)
{
    setFocusPolicy(Qt::NoFocus);
}

KVReleasedSlider::KVReleasedSlider(QWidget *parent) : KVSlider(parent)
{
}

QRect KVSlider::handleRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

int KVSlider::valueAt(int x) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove
        = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const int handle = handleRect().width();
    // The handle's centre goes under the pointer.
    const int span = groove.width() - handle;
    return QStyle::sliderValueFromPosition(
        minimum(), maximum(), x - groove.x() - handle / 2, span > 0 ? span : 1, option.upsideDown);
}

void KVSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        // The style lets the middle button drag the knob too, but its
        // release is not the one the player listens for: the drag's pause
        // and mute would outlive it. The sliders move by the left button.
        event->ignore();
        return;
    }
    if (handleRect().contains(event->position().toPoint())) {
        QSlider::mousePressEvent(event);
        emit sliderPressedWithKnob(true);
        return;
    }
    event->accept();
    setSliderPosition(valueAt(int(event->position().x())));
    if (handleRect().contains(event->position().toPoint())) {
        // The handle has come under the pointer: held there, it follows the
        // pointer as when the handle itself was taken (sliderPressed
        // comes from the normal press).
        QSlider::mousePressEvent(event);
    } else {
        setRepeatAction(SliderNoAction, 500, 50);
        emit sliderPressed();
    }
    emit sliderPressedWithKnob(false);
}

void KVSlider::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit mouseReleased();
    // The normal release also for the released slider: left out, the slider
    // would stay "down" after every drag (pressed picture, no further
    // sliderReleased).
    QSlider::mouseReleaseEvent(event);
}

void KVSlider::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}
