#pragma once
// LXLogoWidget: what a video frame shows while it has no picture: the
// camera's logo (front or rear, big or small) centred on a tiled dark
// background.
//
// Thread: GUI thread only.

#include <QWidget>

class QLabel;

class LXLogoWidget : public QWidget
{
    Q_OBJECT
public:
    LXLogoWidget(QWidget *parent, bool big);

    bool isBig() const { return _big; }
    bool isFront() const { return _front; }
    QLabel *pictureLabel() const { return _label; }

    // Shows the front or the rear logo in the frame's size.
    void setFront(bool front);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool _big = false;
    bool _front = true;
    QLabel *_label = nullptr;
};
