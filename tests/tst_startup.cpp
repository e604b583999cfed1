// Start-up as a user sees it: the viewer process, one per user; a second
// start brings the first to the front and ends with -42; a viewer killed
// with SIGKILL does not keep the next one from starting.

#include "app/kv_application.h"
#include "app/kv_single_instance.h"
#include "kv_test_main.h"
#include "kv_test_util.h"

#include <QLocalSocket>
#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

#include <csignal>
#include <unistd.h>

namespace
{

QString serverName()
{
    return KVSingleInstance::serverName(QString::fromLatin1(KVApplication::kInstanceKey));
}

bool viewerAnswers()
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    return socket.waitForConnected(200);
}

// Exit status of a second start: -42 as the process reports it (214).
constexpr int kAlreadyRunningStatus = 256 - 42;

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

    QString _korvid = KVTest::builtProgram("korvid");

    void startViewer(QProcess &p)
    {
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(_korvid, {});
        QVERIFY(p.waitForStarted(5000));
        QVERIFY2(QTest::qWaitFor([] { return viewerAnswers(); }, 10000), "viewer did not start");
    }

    static void stop(QProcess &p)
    {
        p.kill();
        p.waitForFinished(5000);
    }

    // A further start beside the running viewer ends with -42 and leaves
    // the running one alone.
    void secondStartGivesUp(const QProcess &running)
    {
        QProcess second;
        second.start(_korvid, {});
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitCode(), kAlreadyRunningStatus);
        QCOMPARE(running.state(), QProcess::Running);
    }

private slots:
    void secondStartExitsAndFirstWindowComesToFront()
    {
        // This test process plays the first viewer: a minimised window that
        // must come back when a real second viewer starts.
        KVSingleInstance guard(QString::fromLatin1(KVApplication::kInstanceKey));
        QVERIFY(guard.acquire());
        QWidget window;
        window.setWindowTitle("Korvid");
        window.resize(300, 200);
        connect(&guard, &KVSingleInstance::raiseRequested, &window,
            [&window] { KVApplication::bringToFront(&window); });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.showMinimized();
        QTRY_VERIFY(window.isMinimized());

        // How fast the second start gives up is measured in bench/, not here.
        QProcess second;
        second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        second.start(_korvid, {});
        // The event loop must run so the guard can answer.
        QVERIFY(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), kAlreadyRunningStatus);
        QTRY_VERIFY(!window.isMinimized());
        QVERIFY(window.isVisible());
        QTRY_VERIFY(window.isActiveWindow());
    }

    void killedViewerDoesNotBlockTheNext()
    {
        QProcess first;
        startViewer(first);
        ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(5000));
        // Its socket file is still there; the next start must see through it.
        QVERIFY(QFile::exists(serverName()));

        QProcess next;
        startViewer(next);
        QTest::qWait(500);
        QCOMPARE(next.state(), QProcess::Running);

        secondStartGivesUp(next);
        stop(next);
    }

    void deepRuntimeFolderStillStarts()
    {
        // A runtime folder whose path leaves no room for the socket's name:
        // the viewer still starts (it used to end at once with -42, no
        // window, no word), and a second start still finds it.
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        const auto restore = qScopeGuard([&] { qputenv("XDG_RUNTIME_DIR", saved); });
        const QString deep = KVTest::makeTempDir(QStringLiteral("runtime-") + QString(90, 'x'));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(deep));
        QVERIFY(!serverName().startsWith(deep));
        QProcess first;
        startViewer(first);
        secondStartGivesUp(first);
        stop(first);
    }

    void sharedTempFolderHoldsAFolderOfOurOwn()
    {
        // Without a runtime folder the socket goes into the temporary
        // folder, which every user can write: only into a folder of this
        // user's, closed to the others, never through a link.
        const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray savedTmp = qgetenv("TMPDIR");
        const auto restore = qScopeGuard([&] {
            qputenv("XDG_RUNTIME_DIR", savedRuntime);
            qputenv("TMPDIR", savedTmp);
        });
        const QString tmp = KVTest::makeTempDir(QStringLiteral("shared-tmp"));
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(tmp));
        const QString own = tmp + QStringLiteral("/korvid-") + QString::number(::getuid());
        const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner
            | QFileDevice::ExeOwner | QFileDevice::ReadUser | QFileDevice::WriteUser
            | QFileDevice::ExeUser;

        QString name = serverName();
        QCOMPARE(QFileInfo(name).absolutePath(), own);
        QCOMPARE(QFile::permissions(own), ownerOnly);

        // Left open to others (by an older viewer or by hand): closed again.
        QVERIFY(QFile::setPermissions(own,
            ownerOnly | QFileDevice::WriteOther | QFileDevice::ExeOther | QFileDevice::ReadOther));
        QCOMPARE(serverName(), name);
        QCOMPARE(QFile::permissions(own), ownerOnly);

        // A link in the folder's place (someone else's folder behind it).
        QVERIFY(QDir(own).removeRecursively());
        const QString elsewhere = KVTest::makeTempDir(QStringLiteral("elsewhere"));
        QVERIFY(QFile::link(elsewhere, own));
        QVERIFY(serverName().isEmpty());
        // The viewer then runs without the guard instead of giving up.
        KVSingleInstance guard(QString::fromLatin1(KVApplication::kInstanceKey));
        QVERIFY(guard.acquire());
        QVERIFY(!guard.isHeld());
        QVERIFY(!guard.notifyRunning());
        QVERIFY(QDir(elsewhere).isEmpty());
        QFile::remove(own);
    }

    void simultaneousStartsLeaveOneViewer()
    {
        QList<QProcess *> viewers;
        for (int i = 0; i < 3; ++i) {
            auto *p = new QProcess(this);
            p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p->start(_korvid, {});
            viewers << p;
        }
        QVERIFY(QTest::qWaitFor(
            [&] {
                int done = 0;
                for (QProcess *p : viewers)
                    done += p->state() == QProcess::NotRunning;
                return done == 2;
            },
            10000));
        QTest::qWait(300);
        int running = 0;
        for (QProcess *p : viewers) {
            if (p->state() == QProcess::Running)
                ++running;
            else
                QCOMPARE(p->exitCode(), kAlreadyRunningStatus);
        }
        QCOMPARE(running, 1);
        for (QProcess *p : viewers)
            stop(*p);
    }
};

KV_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
