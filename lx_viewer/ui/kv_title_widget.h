#pragma once
// The title bar of the pop-ups ("popup_title", 39 high): optional logo,
// optional title text ("title_label"), and the close button at the right.
//
// Thread: GUI thread only.

#include <QWidget>

class LXButton;
class QLabel;

class TitleWidget : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kHeight = 39;

    TitleWidget(QWidget *parent, const QString &title, const QString &logo);

    LXButton *closeButton() const { return _closeButton; }
    // The title label (null when built without a title text).
    QLabel *titleLabel() const { return _titleLabel; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *_logoLabel = nullptr;
    QLabel *_titleLabel = nullptr;
    LXButton *_closeButton = nullptr;
};
