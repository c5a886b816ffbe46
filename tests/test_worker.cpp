// The real SDLPollEvent on a real QThread, wired as the main window wires it, fed by a virtual pad.

#include "bindingfields.h"
#include "sdlpollevent.h"
#include "virtualpad.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSet>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <pthread.h>
#include <signal.h>
#include <time.h>

namespace
{

// Every debug line, as written, from any thread.
QMutex traceMutex;
QStringList traceLines;

void recordMessage(QtMsgType type, const QMessageLogContext&, const QString& msg)
{
    if (type != QtDebugMsg) {
        fprintf(stderr, "%s\n", qPrintable(msg));
        return;
    }
    QMutexLocker lock(&traceMutex);
    traceLines << msg;
}

QString threadText(Qt::HANDLE id)
{
    QString text;
    QDebug(&text) << id;
    return text.trimmed();
}

void drainSdlQueue()
{
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

// The worker on its thread, wired as the window wires it, plus a recorder of what the worker reports
// (queued to this thread, as to the window).
class Rig : public QObject
{
public:
    QThread thread;
    SDLPollEvent* worker = new SDLPollEvent;
    QStringList events; // "row+", "row-", "map:<binding fields>", "added:N", "removed:N", "finished"
    QAtomicInteger<clockid_t> workerClock{0};
    QSet<QString> workerThreads;
    QMutex workerThreadMutex;
    // The worker thread stops inside the emission of this event ("row+", "row-"), the first time, until
    // the test releases it (or 10 s pass), so that the test acts while the worker is busy.
    QString holdAt;
    QSemaphore holdReached, holdRelease;
    std::atomic<bool> holdTimedOut{false};
    QAtomicInt held{0};

    Rig()
    {
        // Runs on the new thread before doWork, which only returns when the run ends.
        connect(
            &thread, &QThread::started, this,
            [this] {
                clockid_t clock;
                pthread_getcpuclockid(pthread_self(), &clock);
                workerClock = clock;
                QMutexLocker lock(&workerThreadMutex);
                workerThreads.insert(threadText(QThread::currentThreadId()));
            },
            Qt::DirectConnection);
        worker->runOn(&thread);
        connect(
            worker, &SDLPollEvent::buttonPressed, this,
            [this](int row, bool on) {
                if (holdAt != QString("%1%2").arg(row).arg(on ? '+' : '-') || held.fetchAndStoreOrdered(1))
                    return;
                holdReached.release();
                if (!holdRelease.tryAcquire(1, 10000))
                    holdTimedOut = true;
            },
            Qt::DirectConnection);

        connect(worker, &SDLPollEvent::buttonPressed, this,
                [this](int row, bool on) { events << QString("%1%2").arg(row).arg(on ? '+' : '-'); });
        connect(worker, &SDLPollEvent::mappingReady, this, [this](const CapturedBindings& captured) {
            QString fields;
            for (const QByteArray& field : bindingFields(captured.bindings))
                fields += QString::fromUtf8(field) + ',';
            events << "map:" + fields;
        });
        connect(worker, &SDLPollEvent::joystickAdded, this,
                [this](int i) { events << QString("added:%1").arg(i); });
        connect(worker, &SDLPollEvent::joystickRemoved, this,
                [this](int i) { events << QString("removed:%1").arg(i); });
        connect(worker, &SDLPollEvent::finished, this, [this] { events << "finished"; });
    }
    ~Rig() override
    {
        worker->stop(10000);
        delete worker;
    }

    void restart(int mode, SDL_JoystickID id) { worker->restart(SDLPollEvent::Mode(mode), id); }
    bool stop(unsigned long ms = 10000) { return worker->stop(ms); }
    bool isWorkerThread(const QString& id)
    {
        QMutexLocker lock(&workerThreadMutex);
        return workerThreads.contains(id);
    }
    int lastHighlightOn() const
    {
        for (int i = events.size() - 1; i >= 0; --i)
            if (events[i].endsWith('+'))
                return events[i].chopped(1).toInt();
        return -1;
    }
    double workerCpuSeconds() const
    {
        timespec t;
        if (clock_gettime(workerClock.loadAcquire(), &t) != 0)
            return 0;
        return t.tv_sec + t.tv_nsec * 1e-9;
    }
};

// The trace lines since the last clear, as "text@gui" or "text@worker" for the thread traces and as
// written (blanks collapsed) for the others.
QStringList traces(Rig& rig)
{
    const QString gui = threadText(QThread::currentThreadId());
    QStringList out;
    QMutexLocker lock(&traceMutex);
    for (const QString& line : traceLines) {
        const int at = line.indexOf(" in Thread ");
        if (at < 0) {
            out << line.simplified();
            continue;
        }
        const QString id = line.mid(at + 11).trimmed();
        out << line.left(at) + (id == gui ? "@gui" : rig.isWorkerThread(id) ? "@worker" : "@other");
    }
    return out;
}

void clearTraces()
{
    QMutexLocker lock(&traceMutex);
    traceLines.clear();
}

bool traced(Rig& rig, const QString& line)
{
    return traces(rig).contains(line);
}

// Sets one axis and lets SDL see it, as a moving stick would report it.
void moveAxis(VirtualPad& pad, int axis, Sint16 value)
{
    pad.setAxis(axis, value);
    SDL_JoystickUpdate();
}

void moveHat(VirtualPad& pad, Uint8 value)
{
    pad.setHat(0, value);
    SDL_JoystickUpdate();
}

} // namespace

class TestWorker : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void firstStartAndStopTraces();
    void restartDuringCaptureTraces();
    void restartsWithImmediateAbortNeverHang();
    void fullCaptureOverVirtualPad();
    void unplugMidCaptureEndsWithoutMapping();
    void newestRequestOwnsWhatFollows_data();
    void newestRequestOwnsWhatFollows();
    void captureIgnoresAxesOutsideItsTable();
    void normalModeHighlightsAndHotplug();
    void normalModeWaitsBetweenPolls();
    void sdlQuitEndsTheProgram_data();
    void sdlQuitEndsTheProgram();
};

void TestWorker::initTestCase()
{
    // SDL turns SIGINT and SIGTERM into SDL_QUIT only where no other handler is installed, as in the
    // program; QTest installs handlers of its own before this runs.
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    SDL_Init(SDL_INIT_GAMECONTROLLER);
    SDL_JoystickEventState(SDL_ENABLE);
    qInstallMessageHandler(recordMessage);
}

void TestWorker::init()
{
    drainSdlQueue();
    clearTraces();
}

void TestWorker::firstStartAndStopTraces()
{
    Rig rig;
    rig.restart(0, 0); // abort on an idle worker logs nothing, the wait returns at once
    QTRY_VERIFY(traced(rig, "Starting worker process@worker"));
    QVERIFY(rig.stop());
    QCOMPARE(traces(rig), QStringList({"Request worker start@gui", "Starting worker process@worker",
                                       "Request worker aborting@gui", "Aborting worker process@worker",
                                       "Worker process finished@worker"}));
    // Idle again: abort logs nothing.
    clearTraces();
    rig.worker->abort();
    QVERIFY(rig.thread.wait(0));
    QCOMPARE(traces(rig), QStringList());
}

void TestWorker::restartDuringCaptureTraces()
{
    VirtualPad pad;
    QVERIFY(pad.attach());
    drainSdlQueue();
    Rig rig;
    rig.restart(1, pad.instanceId());
    QTRY_COMPARE(rig.lastHighlightOn(), 0);
    SDLPollEvent::pushSkip();
    SDLPollEvent::pushSkip();
    QTRY_COMPARE(rig.lastHighlightOn(), 2);
    QCOMPARE(traces(rig).mid(0, 3), QStringList({"Request worker start@gui", "Starting worker process@worker",
                                                 "m_iCurrentBinding 0"}));

    clearTraces();
    rig.restart(1, -1); // no joystick given: the new capture stays on the pad
    QTRY_VERIFY(traced(rig, "Starting worker process@worker"));
    QTRY_VERIFY(traces(rig).size() >= 6);
    // The request returns at once; the loop ends the first capture and starts the second, which logs
    // the row where the first one was left.
    QCOMPARE(traces(rig), QStringList({"Request worker aborting@gui", "Request worker start@gui",
                                       "Aborting worker process@worker", "Worker process finished@worker",
                                       "Starting worker process@worker", "m_iCurrentBinding 2"}));
    QTRY_COMPARE(rig.events.join(' '), QString("0+ 0- 1+ 1- 2+ 2- finished 0+"));
    pad.pressButton(0);
    QTRY_COMPARE(rig.lastHighlightOn(), 1);
    QVERIFY(rig.stop());
}

void TestWorker::restartsWithImmediateAbortNeverHang()
{
    // An abort that lands before the loop has taken the request must still end the loop, and one that
    // lands during the run must end the run first.
    Rig rig;
    const int loops = 300;
    for (int i = 0; i < loops; ++i) {
        rig.restart(i % 2, 4242);
        rig.worker->abort();
        if (!rig.thread.wait(5000))
            QFAIL(qPrintable(QString("loop %1 ignored the abort that followed its start").arg(i)));
    }
    const QStringList lines = traces(rig);
    const int runs = lines.count("Starting worker process@worker");
    QCOMPARE(lines.count("Request worker start@gui"), loops);
    QCOMPARE(lines.count("Worker process finished@worker"), runs);
    QTRY_COMPARE(rig.events.count("finished"), runs);
}

void TestWorker::fullCaptureOverVirtualPad()
{
    // The virtual game controller rests its trigger axes (4 and 5) at -32768 from the start, so SDL
    // knows their initial state.
    VirtualPad pad;
    QVERIFY(pad.attach());
    Sint16 rest = 0;
    QVERIFY(SDL_JoystickGetAxisInitialState(pad.joystick(), 4, &rest));
    QCOMPARE(int(rest), -32768);
    drainSdlQueue();

    Rig rig;
    rig.restart(1, pad.instanceId());
    // The pad's own button for each button row, its hat position for each d-pad row; its axes are
    // numbered as the controller's.
    const int buttons[11] = {0, 1, 2, 3, 6, 8, 7, 9, 10, 4, 5};
    const Uint8 hats[4] = {SDL_HAT_UP, SDL_HAT_DOWN, SDL_HAT_LEFT, SDL_HAT_RIGHT};
    for (int row = 0; row < STANDARD_ROWS; ++row) {
        if (!QTest::qWaitFor([&] { return rig.lastHighlightOn() == row; }, 5000))
            QFAIL(qPrintable(QString("row %1 never came; events: %2").arg(row).arg(rig.events.join(' '))));
        const BindingRow& r = bindingTable[row];
        switch (r.kind) {
        case RowKind::Button:
            pad.pressButton(buttons[r.control]);
            break;
        case RowKind::Dpad:
            moveHat(pad, hats[r.control - SDL_CONTROLLER_BUTTON_DPAD_UP]);
            moveHat(pad, SDL_HAT_CENTERED);
            break;
        case RowKind::StickHalf:
            moveAxis(pad, r.control, r.direction > 0 ? 32767 : -32768);
            moveAxis(pad, r.control, 0);
            break;
        case RowKind::Trigger:
            moveAxis(pad, r.control, 32767);
            moveAxis(pad, r.control, -32768);
            break;
        }
    }
    QTRY_VERIFY_WITH_TIMEOUT(rig.events.contains("finished"), 5000);

    QStringList expected;
    for (int row = 0; row < STANDARD_ROWS; ++row)
        expected << QString("%1+").arg(row) << QString("%1-").arg(row);
    expected
        << "map:a:b0,b:b1,x:b2,y:b3,back:b6,guide:b8,start:b7,leftstick:b9,rightstick:b10,leftshoulder:b4,"
           "rightshoulder:b5,dpup:h0.1,dpdown:h0.4,dpleft:h0.8,dpright:h0.2,leftx:a0,lefty:a1,rightx:a2,"
           "righty:a3,lefttrigger:a4,righttrigger:a5,"
        << "finished";
    QCOMPARE(rig.events, expected);
    // Ended by itself: the loop waits for the next request, and ending it finds no run to stop.
    QVERIFY(rig.thread.isRunning());
    clearTraces();
    QVERIFY(rig.stop());
    QCOMPARE(traces(rig), QStringList());
}

void TestWorker::unplugMidCaptureEndsWithoutMapping()
{
    Rig rig;
    SDL_JoystickID id = -1;
    {
        VirtualPad pad;
        QVERIFY(pad.attach());
        drainSdlQueue();
        rig.restart(1, pad.instanceId());
        QTRY_COMPARE(rig.lastHighlightOn(), 0);
        pad.pressButton(0);
        QTRY_COMPARE(rig.lastHighlightOn(), 1);
        clearTraces();
        id = pad.instanceId();
        pad.detach();
        QTRY_VERIFY(rig.events.contains("finished"));
    }
    // No mapping; the highlight goes dark and the window learns which pad has gone.
    QCOMPARE(rig.events.join(' '), QString("0+ 0- 1+ 1- removed:%1 finished").arg(id));
    QCOMPARE(traces(rig), QStringList({"Worker process finished@worker"}));

    // A capture asked for afterwards, with a pad present, runs normally: the waiting loop takes it, and
    // the request ends no run.
    VirtualPad other;
    QVERIFY(other.attach());
    drainSdlQueue();
    rig.events.clear();
    QVERIFY(rig.thread.isRunning());
    rig.restart(1, other.instanceId());
    QCOMPARE(traces(rig).mid(0, 2),
             QStringList({"Worker process finished@worker", "Request worker start@gui"}));
    QTRY_COMPARE(rig.lastHighlightOn(), 0);
    other.pressButton(3);
    QTRY_COMPARE(rig.lastHighlightOn(), 1);
    QVERIFY(rig.stop());
    QTRY_COMPARE(rig.events.join(' '), QString("0+ 0- 1+ 1- finished"));
}

void TestWorker::newestRequestOwnsWhatFollows_data()
{
    QTest::addColumn<int>("rows");              // the run held: 0 normal mode, else a wizard of these rows
    QTest::addColumn<QString>("holdAt");        // the event in whose emission the worker is held; "" none
    QTest::addColumn<QString>("provoke");       // what brings the run there: "press" button 0, "skip", ""
    QTest::addColumn<QStringList>("whileHeld"); // "skip", "stop", or a request: "normal", "wizard" (one row)
    QTest::addColumn<QString>("mapping");       // null: none at all; else the one mapping's binding fields

    QTest::newRow("a wizard finishing as it is left gives no mapping")
        << 1 << "0-"
        << "skip" << QStringList{"normal"} << QString();
    QTest::newRow("Skip before the new capture has begun reaches it")
        << 0 << "0+"
        << "press" << QStringList{"wizard", "skip"} << QString(""); // skipped before button 3 came
    QTest::newRow("Skip for the capture before does not reach the new one")
        << 1 << "0+"
        << "" << QStringList{"skip", "wizard"} << QString("a:b3,");
    QTest::newRow("Skip while the loop is stopped does not reach the next capture")
        << 1 << ""
        << "" << QStringList{"stop", "skip", "wizard"} << QString("a:b3,");
}

void TestWorker::newestRequestOwnsWhatFollows()
{
    QFETCH(int, rows);
    QFETCH(QString, holdAt);
    QFETCH(QString, provoke);
    QFETCH(QStringList, whileHeld);
    QFETCH(QString, mapping);

    VirtualPad pad;
    QVERIFY(pad.attach());
    SDL_GameController* controller = SDL_GameControllerOpen(pad.deviceIndex());
    QVERIFY(controller);
    drainSdlQueue();
    Rig rig;
    rig.holdAt = holdAt;
    rig.worker->restart(rows ? SDLPollEvent::MappingMode : SDLPollEvent::NormalMode, pad.instanceId(), rows);
    QTRY_VERIFY(traced(rig, "Starting worker process@worker"));
    if (provoke == "press")
        pad.setButton(0, true);
    else if (provoke == "skip")
        SDLPollEvent::pushSkip();
    QVERIFY(holdAt.isEmpty() || rig.holdReached.tryAcquire(1, 10000));

    // Every request returns while the worker is busy.
    for (const QString& action : whileHeld) {
        if (action == "skip")
            SDLPollEvent::pushSkip();
        else if (action == "stop")
            QVERIFY(rig.stop());
        else
            rig.worker->restart(action == "wizard" ? SDLPollEvent::MappingMode : SDLPollEvent::NormalMode, -1,
                                1);
    }
    rig.holdRelease.release();
    QVERIFY(!rig.holdTimedOut);
    // Pressed once the newest run is going, so that it is that run's input.
    QTRY_COMPARE(traces(rig).count("Starting worker process@worker"), 2);
    pad.pressButton(3);

    if (mapping.isNull()) {
        // A mapping of the run held would come before its end.
        QTRY_VERIFY(rig.events.contains("finished"));
        QVERIFY2(!rig.events.join(' ').contains("map:"), qPrintable(rig.events.join(' ')));
    } else {
        QTRY_VERIFY(rig.events.join(' ').contains("map:"));
        const QStringList maps = rig.events.filter(QRegularExpression("^map:"));
        QCOMPARE(maps, QStringList{"map:" + mapping});
    }
    QVERIFY(rig.stop());
    SDL_GameControllerClose(controller);
}

void TestWorker::captureIgnoresAxesOutsideItsTable()
{
    // A capture for a joystick that is not there has no axis table at all; one for the pad has six
    // records. Axis numbers past either are ignored, and the capture carries on.
    VirtualPad pad;
    QVERIFY(pad.attach());
    for (SDL_JoystickID id : {SDL_JoystickID(987654), pad.instanceId()}) {
        drainSdlQueue();
        Rig rig;
        rig.restart(1, id);
        QTRY_COMPARE(rig.lastHighlightOn(), 0);
        for (int i = 0; i < 15; ++i)
            SDLPollEvent::pushSkip();
        for (int axis : {0, 6, 200, 255}) {
            if (id == pad.instanceId() && axis == 0)
                continue;
            for (Sint16 value : {Sint16(-32768), Sint16(0)}) {
                SDL_Event event;
                SDL_zero(event);
                event.type = SDL_JOYAXISMOTION;
                event.jaxis.which = id;
                event.jaxis.axis = Uint8(axis);
                event.jaxis.value = value;
                SDL_PushEvent(&event);
            }
        }
        QTRY_COMPARE(rig.lastHighlightOn(), 15);
        QTest::qWait(150); // longer than the settle time: row 15 must not have been bound
        QCOMPARE(rig.lastHighlightOn(), 15);
        for (int i = 0; i < 10; ++i)
            SDLPollEvent::pushSkip();
        QTRY_VERIFY(rig.events.contains("finished"));
        QCOMPARE(rig.events.at(rig.events.size() - 2), QString("map:"));
    }
}

void TestWorker::normalModeHighlightsAndHotplug()
{
    VirtualPad pad;
    QVERIFY(pad.attach());
    SDL_GameController* controller = SDL_GameControllerOpen(pad.deviceIndex());
    QVERIFY(controller);
    drainSdlQueue();
    Rig rig;
    rig.restart(0, pad.instanceId());
    QTRY_VERIFY(traced(rig, "Starting worker process@worker"));

    pad.setButton(0, true);
    QTRY_COMPARE(rig.events.join(' '), QString("0+"));
    pad.setButton(0, false);
    QTRY_COMPARE(rig.events.join(' '), QString("0+ 0-"));
    rig.events.clear();
    // Straight from full right to full left, then the trigger; the game controller's axis 0 is the
    // left stick's x, axis 4 the left trigger.
    moveAxis(pad, 0, 32767);
    QTRY_COMPARE(rig.events.join(' '), QString("16+"));
    moveAxis(pad, 0, -32768);
    moveAxis(pad, 0, 0);
    moveAxis(pad, 4, 32767);
    QTRY_COMPARE(rig.events.join(' '), QString("16+ 16- 15+ 15- 23+"));

    // Hot-plug is only reported; the window rebuilds its list.
    rig.events.clear();
    {
        VirtualPad second;
        QVERIFY(second.attach());
        const int index = second.deviceIndex();
        QTRY_COMPARE(rig.events, QStringList({QString("added:%1").arg(index)}));
        const SDL_JoystickID gone = second.instanceId();
        second.detach();
        QTRY_COMPARE(rig.events,
                     QStringList({QString("added:%1").arg(index), QString("removed:%1").arg(gone)}));
    }

    // What is still lit when the run ends goes dark with it.
    rig.events.clear();
    QVERIFY(rig.stop());
    QTRY_COMPARE(rig.events.join(' '), QString("23- finished"));
    SDL_GameControllerClose(controller);
}

void TestWorker::normalModeWaitsBetweenPolls()
{
    VirtualPad pad;
    QVERIFY(pad.attach());
    SDL_GameController* controller = SDL_GameControllerOpen(pad.deviceIndex());
    QVERIFY(controller);
    drainSdlQueue();
    Rig rig;
    rig.restart(0, pad.instanceId());
    QTRY_VERIFY(rig.workerClock.loadAcquire() != 0);
    QTest::qWait(50);

    // A loop that never sleeps takes a whole core; the bench measures the real figure (under 1%).
    const double cpu0 = rig.workerCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(500);
    const double share = (rig.workerCpuSeconds() - cpu0) / (clock.nsecsElapsed() * 1e-9);
    QVERIFY2(share < 0.2, qPrintable(QString("idle worker used %1% of a core").arg(share * 100)));

    // Still quick to light a control and to notice an abort.
    clock.restart();
    pad.setButton(2, true);
    QTRY_COMPARE_WITH_TIMEOUT(rig.events.join(' '), QString("2+"), 1000);
    QVERIFY2(clock.elapsed() < 200, qPrintable(QString("lit after %1 ms").arg(clock.elapsed())));
    clock.restart();
    QVERIFY(rig.stop(1000));
    QVERIFY2(clock.elapsed() < 200, qPrintable(QString("abort took %1 ms").arg(clock.elapsed())));
    SDL_GameControllerClose(controller);
}

void TestWorker::sdlQuitEndsTheProgram_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("signal"); // 0: SDL_QUIT pushed on the queue

    QTest::newRow("normal mode, SDL_QUIT") << 0 << 0;
    QTest::newRow("normal mode, SIGINT") << 0 << int(SIGINT);
    QTest::newRow("normal mode, SIGTERM") << 0 << int(SIGTERM);
    QTest::newRow("mapping mode, SDL_QUIT") << 1 << 0;
    QTest::newRow("mapping mode, SIGTERM") << 1 << int(SIGTERM);
}

void TestWorker::sdlQuitEndsTheProgram()
{
    QFETCH(int, mode);
    QFETCH(int, signal);

    if (signal) {
        struct sigaction current;
        sigaction(signal, nullptr, &current);
        if (current.sa_handler == SIG_DFL || current.sa_handler == SIG_IGN)
            QFAIL("SDL installed no handler for this signal");
    }
    VirtualPad pad;
    QVERIFY(pad.attach());
    drainSdlQueue();
    Rig rig;
    rig.restart(mode, pad.instanceId());
    QTRY_VERIFY(traced(rig, "Starting worker process@worker"));
    QTRY_VERIFY(mode == 0 || rig.lastHighlightOn() == 0);

    if (signal) {
        raise(signal);
    } else {
        SDL_Event event;
        SDL_zero(event);
        event.type = SDL_QUIT;
        SDL_PushEvent(&event);
    }
    // The worker asks the application to quit, as closing the window does: exec() returns.
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(5000);
    QCOMPARE(QCoreApplication::exec(), 0);

    if (mode == 0) {
        // Normal mode keeps running until the window's teardown stops it.
        QVERIFY(!rig.events.contains("finished"));
        QVERIFY(rig.stop());
    } else {
        // The capture ended first, without a mapping, the highlight left on.
        QTRY_VERIFY(rig.events.contains("finished"));
        QCOMPARE(rig.events.join(' '), QString("0+ finished"));
    }
}

QTEST_GUILESS_MAIN(TestWorker)
#include "test_worker.moc"
