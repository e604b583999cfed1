#include "kv_backup_handover.h"

#include <QDeadlineTimer>
#include <QMutexLocker>

KVBackupHandover &KVBackupHandover::instance()
{
    static KVBackupHandover *s_instance = new KVBackupHandover();
    return *s_instance;
}

int KVBackupHandover::answer()
{
    QMutexLocker lock(&_mutex);
    return _answer;
}

void KVBackupHandover::nextRecording()
{
    QMutexLocker lock(&_mutex);
    if (!(_answer & (ANSWER_APPLY_TO_NEXT | ANSWER_CANCEL)))
        _answer = ANSWER_ASK;
}

int KVBackupHandover::askAndWait(
    const QString &conflictName, int remaining, const std::function<void(bool)> &paused)
{
    QMutexLocker lock(&_mutex);
    if (_answer & ANSWER_CANCEL)
        return _answer;
    _conflictName = conflictName;
    _remaining = remaining;
    _hasAnswer = false;
    _waiting = true;
    paused(true);
    while (!_hasAnswer)
        _answered.wait(&_mutex);
    _waiting = false;
    const int word = _answer;
    lock.unlock();
    paused(false);
    return word;
}

void KVBackupHandover::answerQuestion(int word)
{
    QMutexLocker lock(&_mutex);
    _answer = word;
    _hasAnswer = true;
    _answered.wakeAll();
}

QString KVBackupHandover::conflictName()
{
    QMutexLocker lock(&_mutex);
    return _conflictName;
}

int KVBackupHandover::remaining()
{
    QMutexLocker lock(&_mutex);
    return _remaining;
}

bool KVBackupHandover::isWaiting()
{
    QMutexLocker lock(&_mutex);
    return _waiting;
}

bool KVBackupHandover::begin()
{
    QMutexLocker lock(&_mutex);
    if (_running)
        return false;
    _running = true;
    _answer = ANSWER_ASK;
    _conflictName.clear();
    _remaining = 0;
    _waiting = false;
    _hasAnswer = false;
    return true;
}

void KVBackupHandover::finish()
{
    QMutexLocker lock(&_mutex);
    _running = false;
    _finished.wakeAll();
}

bool KVBackupHandover::waitForFinish(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&_mutex);
    while (_running) {
        if (!_finished.wait(&_mutex, deadline))
            break;
    }
    return !_running;
}

bool KVBackupHandover::isRunning()
{
    QMutexLocker lock(&_mutex);
    return _running;
}
