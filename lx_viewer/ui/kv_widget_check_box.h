#pragma once
// The viewer's check box ("normal" in the style sheet: 24 x 24 indicator
// pictures); its keys also reach the application key handler.
//
// Thread: GUI thread only.

#include <QCheckBox>

class KVWidgetCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit KVWidgetCheckBox(QWidget *parent = nullptr);
    KVWidgetCheckBox(const QString &text, QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
};
