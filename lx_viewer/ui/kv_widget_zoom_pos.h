#pragma once
// KVWidgetZoomPos: the transparent overlay on the zoom overview that
// outlines the zoomed part of the frame with a red rectangle. The zoomed
// part is half the frame wide and high; its top-left corner (x, y) in frame
// fractions stays within 0..0.5 so the outline never leaves the frame.
//
// Thread: GUI thread only.

#include <QRect>
#include <QWidget>

class KVWidgetZoomPos : public QWidget
{
    Q_OBJECT
public:
    static constexpr float kInitial = 0.25f;
    static constexpr float kMaximum = 0.5f;

    explicit KVWidgetZoomPos(QWidget *parent = nullptr);

    // The corner of the zoomed part (frame fractions).
    float zoomX() const { return _x; }
    float zoomY() const { return _y; }
    // The corner when the current drag began.
    float startX() const { return _startX; }
    float startY() const { return _startY; }
    void setStart(float x, float y);
    // A drag begins at the present corner.
    void beginDrag() { setStart(_x, _y); }
    void setPosition(float x, float y);

    // The corner moves to the drag start plus (dx, dy), clamped to 0..0.5.
    void moveBy(float dx, float dy);

    // The outline in widget pixels for a widget of size w x h.
    static QRect outlineRect(float x, float y, int w, int h);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    float _x = kInitial;
    float _y = kInitial;
    float _startX = kInitial;
    float _startY = kInitial;
};
