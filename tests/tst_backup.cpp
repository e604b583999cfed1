// The backup worker with a stub answerer on the GUI thread: upper-cased file
// names in a folder left as it is, the overwrite question with skip,
// overwrite, cancel and apply-to-next, cancel before the first file, and
// copies that fail being reported with nothing left under the final name.

#include "data/kv_verified_copy.h"
#include "data/kv_video_file_list.h"
#include "data/kv_video_file_list_backup.h"
#include "kv_fixture_files.h"
#include "kv_test_util.h"

#include <QDir>
#include <QFileInfo>
#include <QSemaphore>
#include <QThreadPool>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <sys/stat.h>
#include <thread>

namespace
{

// Answers the worker's questions on the GUI thread from a script, and notes
// what each question showed.
class StubAnswerer : public QObject
{
public:
    explicit StubAnswerer(QList<int> answers) : _answers(std::move(answers))
    {
        connect(
            KVVideoFileList::instance(), &KVVideoFileList::backupPaused, this, [this](bool paused) {
                if (!paused)
                    return;
                names << KVVideoFileList::backupConflictName();
                remaining << KVVideoFileList::backupRemaining();
                // An unexpected question is cancelled so the test cannot hang.
                KVVideoFileList::answerBackup(
                    _answers.isEmpty() ? KVBackupHandover::ANSWER_CANCEL : _answers.takeFirst());
            });
    }
    QStringList names;
    QList<int> remaining;

private:
    QList<int> _answers;
};

QStringList entries(const QString &dir)
{
    // System: links leading nowhere are listed too.
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT

    KVVideoFileList *list() { return KVVideoFileList::instance(); }
    QString _source;

    // Makes `key` (front and rear, lower-case names) the current recording.
    void selectRecording(const QString &key)
    {
        _source = KVTest::makeTempDir(QStringLiteral("card"));
        QVERIFY(KVFixture::writeTinyMp4(
            _source + QLatin1Char('/') + key + QStringLiteral("f.mp4"), 5000));
        QVERIFY(KVFixture::writeTinyMp4(
            _source + QLatin1Char('/') + key + QStringLiteral("r.mp4"), 6000));
        QCOMPARE(list()->buildFolderNow(_source), 2);
        QCOMPARE(list()->visibleItems().size(), 1);
        list()->setCurrentItem(list()->visibleItems().at(0));
    }

    // Runs a started backup to its end; returns the failures it reported.
    KVBackupFailureList waitForEnd(QSignalSpy &ended)
    {
        if (!QTest::qWaitFor([&] { return ended.size() == 1; }, 20000))
            return {KVBackupFailure{QStringLiteral("timeout"), {}, -1, {}}};
        return ended.at(0).at(0).value<KVBackupFailureList>();
    }

private slots:
    void copiesBothFilesWithUpperCaseNames()
    {
        selectRecording(QStringLiteral("norm201221-102047"));
        const QString target = KVTest::makeTempDir(QStringLiteral("backup")) + "/lower case";
        QVERIFY(QDir().mkpath(target));
        StubAnswerer answerer({});
        QSignalSpy started(list(), &KVVideoFileList::backupStarted);
        QSignalSpy progress(list(), &KVVideoFileList::updateProgress);
        QSignalSpy ended(list(), &KVVideoFileList::backupEnd);
        QVERIFY(list()->startBackup(target));
        QVERIFY(!list()->startBackup(target)); // one backup at a time
        QVERIFY(waitForEnd(ended).isEmpty());
        QCOMPARE(started.size(), 1);
        QCOMPARE(progress.size(), 1);
        QCOMPARE(progress.at(0).at(0).toInt(), 364);
        QVERIFY(answerer.names.isEmpty());
        QCOMPARE(
            entries(target), (QStringList{"NORM201221-102047F.MP4", "NORM201221-102047R.MP4"}));
        QCOMPARE(KVTest::readFile(target + "/NORM201221-102047F.MP4"),
            KVTest::readFile(_source + "/norm201221-102047f.mp4"));
        QCOMPARE(KVTest::readFile(target + "/NORM201221-102047R.MP4"),
            KVTest::readFile(_source + "/norm201221-102047r.mp4"));
        QVERIFY(!KVVideoFileList::isBackupRunning());
    }

    // With both targets present one question decides both files of the
    // recording (remaining count 1).
    void questionAnswers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("frontReplaced");
        QTest::addColumn<bool>("rearReplaced");
        QTest::newRow("skip") << int(KVBackupHandover::ANSWER_SKIP) << false << false;
        QTest::newRow("overwrite") << int(KVBackupHandover::ANSWER_OVERWRITE) << true << true;
        QTest::newRow("cancel") << int(KVBackupHandover::ANSWER_CANCEL) << false << false;
    }
    void questionAnswers()
    {
        QFETCH(int, answer);
        QFETCH(bool, frontReplaced);
        QFETCH(bool, rearReplaced);
        selectRecording(QStringLiteral("EVEN201221-102047"));
        const QString target = KVTest::makeTempDir(QStringLiteral("backup"));
        QVERIFY(KVTest::writeFile(target + "/EVEN201221-102047F.MP4", "old front"));
        QVERIFY(KVTest::writeFile(target + "/EVEN201221-102047R.MP4", "old rear"));
        StubAnswerer answerer({answer});
        QSignalSpy paused(list(), &KVVideoFileList::backupPaused);
        QSignalSpy ended(list(), &KVVideoFileList::backupEnd);
        QVERIFY(list()->startBackup(target));
        QVERIFY(waitForEnd(ended).isEmpty());
        QCOMPARE(answerer.names, QStringList{"EVEN201221-102047F.MP4"});
        QCOMPARE(answerer.remaining, QList<int>{1});
        QCOMPARE(paused.size(), 2);
        QCOMPARE(paused.at(1).at(0).toBool(), false);
        QCOMPARE(
            KVTest::readFile(target + "/EVEN201221-102047F.MP4") != "old front", frontReplaced);
        QCOMPARE(KVTest::readFile(target + "/EVEN201221-102047R.MP4") != "old rear", rearReplaced);
        QCOMPARE(entries(target).size(), 2); // no temporary file left
    }

    // Cancel in the question: the rear file that was not there yet is not
    // copied either.
    void cancelStopsBeforeTheNextFile()
    {
        selectRecording(QStringLiteral("PARK201221-102047"));
        const QString target = KVTest::makeTempDir(QStringLiteral("backup"));
        QVERIFY(KVTest::writeFile(target + "/PARK201221-102047F.MP4", "old front"));
        StubAnswerer answerer({KVBackupHandover::ANSWER_CANCEL});
        QSignalSpy progress(list(), &KVVideoFileList::updateProgress);
        QSignalSpy ended(list(), &KVVideoFileList::backupEnd);
        QVERIFY(list()->startBackup(target));
        QVERIFY(waitForEnd(ended).isEmpty());
        QCOMPARE(entries(target), QStringList{"PARK201221-102047F.MP4"});
        QCOMPARE(progress.size(), 0);
    }

    // The progress pop-up's cancel, given before the worker has started,
    // is not lost: nothing is copied.
    void earlyCancelIsKept()
    {
        selectRecording(QStringLiteral("MANU201221-102047"));
        const QString target = KVTest::makeTempDir(QStringLiteral("backup"));
        QSignalSpy ended(list(), &KVVideoFileList::backupEnd);
        QThreadPool::globalInstance()->setMaxThreadCount(1);
        // Keep the pool busy so the worker cannot start before the cancel.
        QSemaphore gate;
        QThreadPool::globalInstance()->start([&gate] { gate.acquire(); });
        QVERIFY(list()->startBackup(target));
        KVVideoFileList::cancelBackup();
        gate.release();
        QVERIFY(waitForEnd(ended).isEmpty());
        QThreadPool::globalInstance()->setMaxThreadCount(QThread::idealThreadCount());
        QVERIFY(entries(target).isEmpty());
    }

    // Several recordings through the worker itself: "apply to next" holds
    // for the later conflicts, an answer without it is asked again.
    void applyToNextRecordings()
    {
        const QString source = KVTest::makeTempDir(QStringLiteral("many"));
        const QString target = KVTest::makeTempDir(QStringLiteral("backup"));
        QList<KVVideoFileListBackup::Recording> recordings;
        for (int i = 0; i < 3; ++i) {
            const QString key = QStringLiteral("NORM21010%1-000000").arg(i + 1);
            KVVideoFileListBackup::Recording recording;
            recording.frontPath = source + "/" + key + "F.mp4";
            recording.rearPath = source + "/" + key + "R.mp4";
            QVERIFY(KVFixture::writeTinyMp4(recording.frontPath, 1000 + i));
            QVERIFY(KVFixture::writeTinyMp4(recording.rearPath, 2000 + i));
            QVERIFY(KVTest::writeFile(target + "/" + key + "F.MP4", "old"));
            QVERIFY(KVTest::writeFile(target + "/" + key + "R.MP4", "old"));
            recordings << recording;
        }
        {
            StubAnswerer answerer({KVBackupHandover::ANSWER_SKIP,
                KVBackupHandover::ANSWER_OVERWRITE | KVBackupHandover::ANSWER_APPLY_TO_NEXT});
            QSignalSpy progress(list(), &KVVideoFileList::updateProgress);
            QSignalSpy ended(list(), &KVVideoFileList::backupEnd);
            QVERIFY(KVBackupHandover::instance().begin());
            QThreadPool::globalInstance()->start(new KVVideoFileListBackup(target, recordings));
            QVERIFY(waitForEnd(ended).isEmpty());
            QCOMPARE(answerer.remaining, (QList<int>{3, 2}));
            QCOMPARE(
                answerer.names, (QStringList{"NORM210101-000000F.MP4", "NORM210102-000000F.MP4"}));
            QList<int> values;
            for (const QList<QVariant> &args : progress)
                values << args.at(0).toInt();
            QCOMPARE(values, (QList<int>{121, 242, 364}));
        }
        QCOMPARE(KVTest::readFile(target + "/NORM210101-000000F.MP4"), QByteArray("old"));
        QCOMPARE(KVTest::readFile(target + "/NORM210101-000000R.MP4"), QByteArray("old"));
        for (int i = 2; i <= 3; ++i) {
            for (const char *camera : {"F", "R"}) {
                const QString name = QStringLiteral("/NORM21010%1-000000%2").arg(i).arg(camera);
                QCOMPARE(KVTest::readFile(target + name + ".MP4"),
                    KVTest::readFile(source + name + ".mp4"));
            }
        }
    }

    // Copies that cannot be made are failures, reported with backupEnd, and
    // leave nothing under the final name.
    void failedCopiesAreReported()
    {
        selectRecording(QStringLiteral("NORM201221-102047"));
        const QString root = KVTest::makeTempDir(QStringLiteral("backup"));
        // The target "folder" is a file: nothing can be created in it.
        const QString notAFolder = root + "/not-a-folder";
        QVERIFY(KVTest::writeFile(notAFolder, "x"));
        {
            QSignalSpy ended(list(), &KVVideoFileList::backupEnd);
            QVERIFY(list()->startBackup(notAFolder));
            const KVBackupFailureList failures = waitForEnd(ended);
            QCOMPARE(failures.size(), 2);
            QCOMPARE(failures.at(0).reason, int(KVVerifiedCopy::FAILURE_TARGET_UNWRITABLE));
            QCOMPARE(failures.at(0).source, _source + "/NORM201221-102047f.mp4");
            QCOMPARE(failures.at(1).target, notAFolder + "/NORM201221-102047R.MP4");
            QVERIFY(!failures.at(1).detail.isEmpty());
        }
        // Overwrite, but a folder holds the front file's name: the checked
        // copy cannot take it; the rear copy goes on.
        const QString target = root + "/target";
        QVERIFY(QDir().mkpath(target + "/NORM201221-102047F.MP4/inside"));
        {
            StubAnswerer answerer({KVBackupHandover::ANSWER_OVERWRITE});
            QSignalSpy ended(list(), &KVVideoFileList::backupEnd);
            QVERIFY(list()->startBackup(target));
            const KVBackupFailureList failures = waitForEnd(ended);
            QCOMPARE(failures.size(), 1);
            QCOMPARE(failures.at(0).reason, int(KVVerifiedCopy::FAILURE_RENAME));
        }
        QCOMPARE(
            entries(target), (QStringList{"NORM201221-102047F.MP4", "NORM201221-102047R.MP4"}));
        QVERIFY(QFileInfo(target + "/NORM201221-102047F.MP4").isDir());
        // A source that vanished after the list was built.
        QVERIFY(QFile::remove(_source + "/NORM201221-102047f.mp4"));
        const QString third = root + "/third";
        QVERIFY(QDir().mkpath(third));
        {
            QSignalSpy ended(list(), &KVVideoFileList::backupEnd);
            QVERIFY(list()->startBackup(third));
            const KVBackupFailureList failures = waitForEnd(ended);
            QCOMPARE(failures.size(), 1);
            QCOMPARE(failures.at(0).reason, int(KVVerifiedCopy::FAILURE_SOURCE_UNREADABLE));
        }
        QCOMPARE(entries(third), QStringList{"NORM201221-102047R.MP4"});
        // Under /proc not even root can create files.
        const KVVerifiedCopy::Result proc = KVVerifiedCopy::copy(
            _source + "/NORM201221-102047r.mp4", "/proc/NORM201221-102047R.MP4", false);
        QCOMPARE(proc.failure, KVVerifiedCopy::FAILURE_TARGET_UNWRITABLE);
        // Reading that breaks off, as it does when the card is pulled during a
        // copy (this process's memory file fails at its first page): the
        // original is to blame, not the target, and nothing stays there.
        const QString fourth = root + "/fourth";
        QVERIFY(QDir().mkpath(fourth));
        const KVVerifiedCopy::Result broken
            = KVVerifiedCopy::copy("/proc/self/mem", fourth + "/NORM201221-102047F.MP4", false);
        QCOMPARE(broken.failure, KVVerifiedCopy::FAILURE_SOURCE_UNREADABLE);
        QVERIFY(!broken.detail.isEmpty());
        QCOMPARE(QDir(fourth).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList());
    }

    void linkLeadingNowhereIsAFileThere()
    {
        // A link at the target name whose file is gone still takes the name:
        // the user is asked, Skip keeps the link, and a copy told not to
        // replace never replaces it.
        selectRecording(QStringLiteral("NORM201221-102047"));
        const QString target = KVTest::makeTempDir(QStringLiteral("backup"));
        const QString link = target + "/NORM201221-102047F.MP4";
        QVERIFY(QFile::link(target + "/gone.mp4", link));
        {
            StubAnswerer answerer({KVBackupHandover::ANSWER_SKIP});
            QSignalSpy ended(list(), &KVVideoFileList::backupEnd);
            QVERIFY(list()->startBackup(target));
            QVERIFY(waitForEnd(ended).isEmpty());
            QCOMPARE(answerer.names, QStringList{"NORM201221-102047F.MP4"});
        }
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(
            entries(target), (QStringList{"NORM201221-102047F.MP4", "NORM201221-102047R.MP4"}));
        const KVVerifiedCopy::Result kept
            = KVVerifiedCopy::copy(_source + "/NORM201221-102047r.mp4", link, false);
        QCOMPARE(kept.failure, KVVerifiedCopy::FAILURE_TARGET_EXISTS);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(entries(target).size(), 2); // no temporary file left
    }

    // A stop asked for while copying or while checking the copy: nothing
    // of the file is left in the target, under any name.
    void stoppedCopyLeavesNothing_data()
    {
        QTest::addColumn<int>("stopAtAsk");
        // 3 MiB in 1 MiB chunks: asks 1-4 while copying, 5 on while checking.
        QTest::newRow("before the first chunk") << 1;
        QTest::newRow("in the middle of the copy") << 3;
        QTest::newRow("while checking the copy") << 6;
    }
    void stoppedCopyLeavesNothing()
    {
        QFETCH(int, stopAtAsk);
        const QString dir = KVTest::makeTempDir(QStringLiteral("stop"));
        QByteArray bytes(3 << 20, 'k');
        QVERIFY(KVTest::writeFile(dir + "/source.mp4", bytes));
        const QString target = KVTest::makeTempDir(QStringLiteral("backup"));
        int asks = 0;
        const KVVerifiedCopy::Result result = KVVerifiedCopy::copy(
            dir + "/source.mp4", target + "/COPY.MP4", false, [&] { return ++asks >= stopAtAsk; });
        QCOMPARE(result.failure, KVVerifiedCopy::FAILURE_STOPPED);
        QCOMPARE(asks, stopAtAsk);
        QVERIFY(entries(target).isEmpty());
        // Never stopped: the copy is whole.
        QVERIFY(KVVerifiedCopy::copy(dir + "/source.mp4", target + "/COPY.MP4", false, [] {
            return false;
        }).ok());
        QCOMPARE(KVTest::readFile(target + "/COPY.MP4"), bytes);
    }

    void sourceChangedWhileCopiedIsRefused()
    {
        // One byte of the original is rewritten in the middle of the copy
        // (same size): the copy is of neither version and must not pass.
        const QString dir = KVTest::makeTempDir(QStringLiteral("changing"));
        const QString source = dir + "/source.mp4";
        QVERIFY(KVTest::writeFile(source, QByteArray(3 << 20, 'k')));
        const QString target = KVTest::makeTempDir(QStringLiteral("backup"));
        int asks = 0;
        const KVVerifiedCopy::Result result
            = KVVerifiedCopy::copy(source, target + "/COPY.MP4", false, [&] {
                  if (++asks == 2) {
                      QFile f(source);
                      if (f.open(QIODevice::ReadWrite) && f.seek(10))
                          f.write("x", 1);
                  }
                  return false;
              });
        QCOMPARE(result.failure, KVVerifiedCopy::FAILURE_SOURCE_UNREADABLE);
        QVERIFY2(result.detail.contains(QStringLiteral("changed")), qPrintable(result.detail));
        QVERIFY(entries(target).isEmpty());
    }

    // Closing the viewer while a file is being copied: the backup is
    // cancelled at once, the half-copied file is dropped, the rear file is
    // not started, and the close does not wait for the whole file. The front
    // "file" is a pipe the test feeds, so the copy stands still in the middle
    // of it until the test lets it go on.
    void closingCancelsTheCopyUnderWay()
    {
        const QString dir = KVTest::makeTempDir(QStringLiteral("card"));
        const QString front = dir + "/NORM201221-102047F.MP4";
        QCOMPARE(::mkfifo(QFile::encodeName(front).constData(), 0600), 0);
        QVERIFY(KVFixture::writeTinyMp4(dir + "/NORM201221-102047R.MP4", 5000));
        const QString target = KVTest::makeTempDir(QStringLiteral("backup"));

        auto *previous = ::signal(SIGPIPE, SIG_IGN);
        auto restore = qScopeGuard([previous] { ::signal(SIGPIPE, previous); });
        std::atomic<bool> midFile = false;
        std::thread feeder([&] {
            QFile pipe(front);
            if (!pipe.open(QIODevice::WriteOnly))
                return;
            const QByteArray chunk(1 << 20, 'f');
            pipe.write(chunk);
            pipe.flush();
            midFile = true;
            // Held until the cancel, then a few bytes wake the reader if it
            // still waits (it may have found the cancel already and closed
            // its end: the write then fails, with SIGPIPE ignored below).
            while (!(KVBackupHandover::instance().answer() & KVBackupHandover::ANSWER_CANCEL))
                QThread::msleep(5);
            pipe.write(QByteArray(4096, 'f'));
        });

        QSignalSpy ended(list(), &KVVideoFileList::backupEnd);
        QVERIFY(KVBackupHandover::instance().begin());
        KVVideoFileListBackup::Recording recording;
        recording.frontPath = front;
        recording.rearPath = dir + "/NORM201221-102047R.MP4";
        QThreadPool::globalInstance()->start(new KVVideoFileListBackup(target, {recording}));
        QVERIFY(QTest::qWaitFor([&] { return midFile.load(); }, 20000));
        QVERIFY(KVVideoFileList::isBackupRunning());

        QVERIFY(KVVideoFileList::stopBackupForExit(20000));
        feeder.join();
        QVERIFY(!KVVideoFileList::isBackupRunning());
        QVERIFY(entries(target).isEmpty());
        // Cancelled on request: no failure to report.
        QVERIFY(waitForEnd(ended).isEmpty());
        // Nothing running: returns at once.
        QVERIFY(KVVideoFileList::stopBackupForExit(0));
    }

    void noCurrentRecordingStartsNothing()
    {
        list()->setCurrentItem(nullptr);
        QSignalSpy started(list(), &KVVideoFileList::backupStarted);
        QVERIFY(!list()->startBackup(KVTest::makeTempDir(QStringLiteral("backup"))));
        QTest::qWait(20);
        QCOMPARE(started.size(), 0);
        QVERIFY(!KVVideoFileList::isBackupRunning());
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
