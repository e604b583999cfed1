#pragma once
// The viewer's application object: a QApplication with the single-instance
// guard keyed "MODEL_TYPE_QUORV1".
//
// Thread: main (GUI) thread.

#include <QApplication>

class KVSingleInstance;

class KVApplication : public QApplication
{
    Q_OBJECT
public:
    static constexpr const char *kInstanceKey = "MODEL_TYPE_QUORV1";

    KVApplication(int &argc, char **argv);
    ~KVApplication() override;

    static KVApplication *instance() { return s_instance; }

    // True when this process is now the only running viewer.
    bool acquireInstance();
    // Asks the running viewer to bring its window to the front, handing it
    // this start's command line (a folder to open) first.
    void raiseRunningInstance();
    // Gives up the guard so that a new viewer can start (restart).
    void releaseInstance();

    // Restores a minimised window, raises and activates it.
    static void bringToFront(QWidget *window);

signals:
    void raiseRequested();
    // A later start's arguments, program name first (as arguments() gives
    // them), paths absolute.
    void openRequested(const QStringList &arguments);

private:
    static KVApplication *s_instance;
    KVSingleInstance *_instanceGuard = nullptr;
};
