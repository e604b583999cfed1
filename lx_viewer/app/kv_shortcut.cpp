#include "kv_shortcut.h"

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QWidget>

namespace
{

// Follows which windows a modal pop-up blocks (Qt tells each blocked window
// with WindowBlocked and WindowUnblocked) and updates the shortcuts of those
// windows. One per application, made with the first shortcut.
class ModalWatcher : public QObject
{
public:
    explicit ModalWatcher(QObject *parent) : QObject(parent) { qApp->installEventFilter(this); }

    static ModalWatcher *instance()
    {
        static QPointer<ModalWatcher> s_watcher;
        if (!s_watcher && qApp)
            s_watcher = new ModalWatcher(qApp);
        return s_watcher;
    }

    void add(KVShortcut *shortcut) { _shortcuts.append(shortcut); }
    void remove(KVShortcut *shortcut) { _shortcuts.removeAll(shortcut); }
    bool isBlocked(const QWidget *window) const { return _blocked.contains(window); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::WindowBlocked && type != QEvent::WindowUnblocked)
            return false;
        auto *window = qobject_cast<QWidget *>(watched);
        if (!window || !window->isWindow())
            return false;
        if (type == QEvent::WindowBlocked) {
            if (!_blocked.contains(window)) {
                _blocked.insert(window);
                // A window that goes while blocked must not leave its
                // address behind for a later window to inherit.
                connect(window, &QObject::destroyed, this,
                    [this](QObject *gone) { _blocked.remove(static_cast<QWidget *>(gone)); });
            }
        } else {
            _blocked.remove(window);
            disconnect(window, &QObject::destroyed, this, nullptr);
        }
        for (KVShortcut *shortcut : std::as_const(_shortcuts))
            shortcut->update();
        return false;
    }

private:
    QList<KVShortcut *> _shortcuts;
    QSet<const QWidget *> _blocked;
};

} // namespace

KVShortcut::KVShortcut(const QKeySequence &key, QWidget *parent) : QShortcut(key, parent)
{
    setContext(Qt::ApplicationShortcut);
    // A held key would toggle play and pause, or full screen, over and over
    // (each resume an exact seek). Only the list keys step on while held:
    // one recording after another, each once its load has ended.
    setAutoRepeat(key == QKeySequence(Qt::Key_PageDown) || key == QKeySequence(Qt::Key_PageUp));
    if (ModalWatcher *watcher = ModalWatcher::instance())
        watcher->add(this);
    update();
}

KVShortcut::~KVShortcut()
{
    if (ModalWatcher *watcher = ModalWatcher::instance())
        watcher->remove(this);
}

void KVShortcut::setWanted(bool wanted)
{
    _wanted = wanted;
    update();
}

bool KVShortcut::isBlocked() const
{
    const auto *owner = qobject_cast<const QWidget *>(parent());
    const ModalWatcher *watcher = ModalWatcher::instance();
    return owner && watcher && watcher->isBlocked(owner->window());
}

void KVShortcut::update()
{
    setEnabled(_wanted && !isBlocked());
}
