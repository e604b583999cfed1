#pragma once
// The viewer's sliders. KVSlider is horizontal, never takes keyboard focus
// and ignores the mouse wheel. A left click on the groove jumps there at
// once (instead of paging) and reports sliderPressed() and
// sliderPressedWithKnob(false); a press on the handle starts a normal drag
// and reports sliderPressedWithKnob(true). A left-button release reports
// mouseReleased() before the normal release.
//
// KVReleasedSlider is the same slider for controls that act only on the
// release (the speed slider): the player reads its value on mouseReleased().
//
// Thread: GUI thread only.

#include <QSlider>

class KVSlider : public QSlider
{
    Q_OBJECT
public:
    explicit KVSlider(QWidget *parent = nullptr);

    // The value a click at x (widget pixels) on the groove jumps to.
    int valueAt(int x) const;

signals:
    void mouseReleased();
    void sliderPressedWithKnob(bool bKnob);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    QRect handleRect() const;
};

class KVReleasedSlider : public KVSlider
{
    Q_OBJECT
public:
    explicit KVReleasedSlider(QWidget *parent = nullptr);
};
