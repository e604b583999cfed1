#pragma once
// LXSpeedWidget: three digits blitted from the strip ":/image/num_15x25.png"
// (eleven 15 x 25 glyphs: 0..9 and a dash) on a plate, "speed_on" while a
// value is shown, "speed_off" with three dashes while there is none (-1).
// Values are written "%03d" (7 shows 007).
//
// Thread: GUI thread only.

#include <QPixmap>
#include <QWidget>

class LXSpeedWidget : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kGlyphWidth = 15;
    static constexpr int kGlyphHeight = 25;
    static constexpr int kDashGlyph = 10;

    explicit LXSpeedWidget(QWidget *parent = nullptr);

    // -1 for no value (dashes); 0..999 shown as three digits.
    void setSpeed(int value);
    int speed() const { return _value; }
    // The glyph indexes the three positions show (10 = dash).
    static QList<int> glyphsFor(int value);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int _value = -1;
    QPixmap _digits;
    QPixmap _plateOn;
    QPixmap _plateOff;
};
