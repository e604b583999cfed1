#pragma once
// KVBackupHandover: the process-wide state the backup worker and the GUI
// thread share while a backup runs: the answer word, the name of the file in
// conflict and the number of recordings still to go, with the one mutex and
// wait condition of the overwrite question.
//
// Thread: the worker asks (askAndWait) and reads the answer; the GUI thread
// answers, cancels and reads the conflict name and remaining count. Every
// field is guarded by _mutex; the GUI side stores the answer and wakes the
// worker while holding it, so the wake-up never comes before the wait.

#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <functional>

class KVBackupHandover
{
public:
    // Answer word bits.
    enum Answer {
        ANSWER_ASK = 1,
        ANSWER_SKIP = 2,
        ANSWER_OVERWRITE = 4,
        ANSWER_CANCEL = 8,
        ANSWER_APPLY_TO_NEXT = 16,
    };

    static KVBackupHandover &instance();

    // --- worker side
    int answer();
    // Between recordings: back to "ask" unless the answer holds for the
    // following files; a cancel is never undone.
    void nextRecording();
    // Stores the question, calls paused(true), waits until the GUI thread
    // has answered and calls paused(false); returns the answer. Returns at
    // once when the backup has been cancelled already.
    int askAndWait(
        const QString &conflictName, int remaining, const std::function<void(bool)> &paused);

    // --- GUI side
    // Stores the answer word and wakes the worker.
    void answerQuestion(int word);
    // Cancel from the progress pop-up, the question or the closing window:
    // the worker drops the file it is copying (nothing of it is left in the
    // target) and copies no more.
    void cancel() { answerQuestion(ANSWER_CANCEL); }
    // Waits up to timeoutMs for the worker to call finish(); true when no
    // backup runs any more.
    bool waitForFinish(int timeoutMs);
    QString conflictName();
    int remaining();
    bool isWaiting();

    // A backup begins (GUI thread, before the worker starts, so that an
    // early cancel is kept): answer 1, no conflict name, remaining 0. False
    // while another backup runs.
    bool begin();
    // The worker is done (just before it reports the end).
    void finish();
    bool isRunning();

private:
    KVBackupHandover() = default;

    QMutex _mutex;
    QWaitCondition _answered;
    QWaitCondition _finished;
    // --- guarded by _mutex
    int _answer = ANSWER_ASK;
    QString _conflictName;
    int _remaining = 0;
    bool _waiting = false;
    bool _hasAnswer = false;
    bool _running = false;
};
