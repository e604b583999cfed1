#pragma once
// The viewer's push button: never takes keyboard focus (keys go to the
// window and from there to the key handler), looks by object name in the
// application style sheet, leaves the language registry when destroyed.
//
// Thread: GUI thread only.

#include <QPushButton>

class QLayout;

class KVButton : public QPushButton
{
    Q_OBJECT
public:
    explicit KVButton(QWidget *parent = nullptr);
    ~KVButton() override;

    // A button with that parent, object name and fixed size, added to layout
    // (when given); a non-empty tool tip is set and registered as the
    // Japanese tool tip for the language switch.
    static KVButton *create(QWidget *parent, QLayout *layout, const QString &name,
        const QString &toolTip, const QSize &size);

    // Sets a dynamic property that the style sheet selects on ("[rear=true]")
    // and re-polishes so it shows at once.
    void setStyleProperty(const char *name, const QVariant &value);
    // Changes the object name and re-polishes.
    void setStyleName(const QString &name);

protected:
    // The common part of the factories.
    static void setUp(KVButton *button, QLayout *layout, const QString &name,
        const QString &toolTip, const QSize &size);
};
