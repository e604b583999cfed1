#pragma once
// The viewer's main window: frameless, 1094 x 687, titled "Korvid".
//
// Thread: GUI thread only.

#include <QWidget>

class WindowMain : public QWidget
{
    Q_OBJECT
public:
    static WindowMain *instance();
    ~WindowMain() override;

    static constexpr int kWidth = 1094;
    static constexpr int kHeight = 687;

private:
    explicit WindowMain(QWidget *parent = nullptr);
    static WindowMain *s_instance;
};
