// Load on the real window and the real worker thread: a thousand mode switches, hot-plug churn while the
// list is shown, a pad streaming 8000 readings a second through a whole wizard run, and 16 pads at once.
// Every case is bounded in time: loops fail on their own deadlines, and a watchdog thread ends the program
// when the GUI thread stops serving its events (a deadlocked wait would otherwise hang the run).

#include "mainwindow.h"
#include "modalanswerer.h"
#include "sanitizedbuild.h"
#include "virtualpad.h"
#include "windowfixture.h"
#include "wizarddriver.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QtTest>
#include <SDL.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <stdio.h>
#include <stdlib.h>
#include <thread>
#include <time.h>
#include <vector>

using namespace wizard;

namespace
{

// ---- process figures ----

int threadCount()
{
    return QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
}

QStringList threadNames()
{
    QStringList names;
    for (const QString& task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm("/proc/self/task/" + task + "/comm");
        if (comm.open(QIODevice::ReadOnly))
            names << QString::fromUtf8(comm.readAll()).trimmed();
    }
    names.sort();
    return names;
}

// A thread that has just been waited for may still be leaving the kernel's task list: read the count
// until it holds still.
int settledThreadCount()
{
    int last = threadCount();
    int same = 0;
    QElapsedTimer clock;
    clock.start();
    while (same < 3 && clock.elapsed() < 1000) {
        QTest::qWait(10);
        const int now = threadCount();
        same = now == last ? same + 1 : 0;
        last = now;
    }
    return last;
}

long vmRssKiB()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// ---- bounded waiting ----

// Ends the program when the GUI thread has not served its event loop for the given time: a blocked
// wait in the window (a deadlock) fails the run instead of hanging it. A timer on the GUI thread feeds
// it, so nested modal loops feed it too.
class Watchdog
{
public:
    explicit Watchdog(int stallMs) : m_stallMs(stallMs)
    {
        m_feed.setInterval(100);
        QObject::connect(&m_feed, &QTimer::timeout, [this] { feed(); });
        m_feed.start();
        m_thread = std::thread([this] { run(); });
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    void setCase(const char* name)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_case = name;
        m_lastFeed = std::chrono::steady_clock::now();
    }

private:
    void feed()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastFeed = std::chrono::steady_clock::now();
    }
    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            const auto silent = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - m_lastFeed);
            if (silent.count() > m_stallMs) {
                fprintf(stderr, "FAIL! %s: the GUI thread has been blocked for %lld ms (deadlock)\n", m_case,
                        (long long)silent.count());
                fflush(stderr);
                std::_Exit(3);
            }
            m_wake.wait_for(lock, std::chrono::milliseconds(100));
        }
    }

    const int m_stallMs;
    QTimer m_feed;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::chrono::steady_clock::time_point m_lastFeed = std::chrono::steady_clock::now();
    const char* m_case = "start";
    bool m_stop = false;
};

// Serves the GUI thread's events until pred holds or timeoutMs passes. It blocks on the event loop
// instead of sleeping, so the lateness probe below measures the window and not the test.
bool waitUntil(const std::function<bool()>& pred, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QTimer tick; // wakes the loop when nothing else does
    tick.start(2);
    while (!pred()) {
        if (clock.elapsed() > timeoutMs)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Serves the GUI thread's events for ms milliseconds (0: only what is pending now).
void serveEvents(int ms)
{
    QCoreApplication::processEvents();
    if (ms > 0)
        waitUntil([] { return false; }, ms);
}

// How late a 5 ms timer on the GUI thread fires: the window's responsiveness while it is under load.
class LatenessProbe
{
public:
    LatenessProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kIntervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { sample(); });
        m_clock.start();
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    int samples() const { return int(m_lateUs.size()); }
    // The lateness (microseconds) that the given share of ticks stays within.
    qint64 percentile(double share) const
    {
        if (m_lateUs.empty())
            return 0;
        std::vector<qint64> sorted = m_lateUs;
        std::sort(sorted.begin(), sorted.end());
        const size_t at = std::min(sorted.size() - 1, size_t(share * double(sorted.size())));
        return sorted[at];
    }

private:
    static const int kIntervalMs = 5;
    void sample()
    {
        const qint64 now = m_clock.nsecsElapsed() / 1000;
        if (m_last >= 0)
            m_lateUs.push_back(std::max<qint64>(0, now - m_last - kIntervalMs * 1000));
        m_last = now;
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = -1;
    std::vector<qint64> m_lateUs;
};

// ---- worker traces ----

// Counts the worker's run traces without keeping them (a thousand switches make five thousand lines)
// and keeps debug output off the console; other messages pass on. Safe from any thread.
class RunCounter
{
public:
    RunCounter()
    {
        s_starts = 0;
        s_finishes = 0;
        s_previous = qInstallMessageHandler(&RunCounter::handler);
    }
    ~RunCounter() { qInstallMessageHandler(s_previous); }
    int starts() const { return s_starts.load(); }
    int finishes() const { return s_finishes.load(); }

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        // Without a window manager every message box draws a focus error from the X server: noise.
        if (type == QtWarningMsg && qstrcmp(context.category, "qt.qpa.xcb") == 0 &&
            message.contains("SetInputFocus"))
            return;
        if (type != QtDebugMsg) {
            if (s_previous)
                s_previous(type, context, message);
            return;
        }
        if (message.startsWith("Starting worker process in Thread "))
            ++s_starts;
        else if (message.startsWith("Worker process finished in Thread "))
            ++s_finishes;
    }
    static std::atomic<int> s_starts;
    static std::atomic<int> s_finishes;
    static QtMessageHandler s_previous;
};
std::atomic<int> RunCounter::s_starts{0};
std::atomic<int> RunCounter::s_finishes{0};
QtMessageHandler RunCounter::s_previous = nullptr;

// ---- pads under load ----

// Sets one axis of a pad to random readings at a fixed rate on a thread of its own, each reading handed
// to SDL at once (SDL_JoystickUpdate), so that every reading becomes an event in SDL's queue.
class AxisStreamer
{
public:
    AxisStreamer(SDL_Joystick* joystick, int axis, int ratePerSecond, int amplitude)
        : m_joystick(joystick), m_axis(axis), m_periodNs(1000000000L / ratePerSecond), m_amplitude(amplitude)
    {
        m_clock.start();
        m_thread = std::thread([this] { run(); });
    }
    ~AxisStreamer() { stop(); }
    void stop()
    {
        if (!m_thread.joinable())
            return;
        m_stop = true;
        m_thread.join();
        m_elapsedMs = m_clock.elapsed();
    }
    long readings() const { return m_readings.load(); }
    double perSecond() const
    {
        return m_elapsedMs > 0 ? double(m_readings) * 1000.0 / double(m_elapsedMs) : 0.0;
    }

private:
    void run()
    {
        std::mt19937 rng(8000);
        std::uniform_int_distribution<int> noise(-m_amplitude, m_amplitude);
        timespec next;
        clock_gettime(CLOCK_MONOTONIC, &next);
        while (!m_stop) {
            SDL_JoystickSetVirtualAxis(m_joystick, m_axis, Sint16(noise(rng)));
            SDL_JoystickUpdate();
            ++m_readings;
            next.tv_nsec += m_periodNs;
            if (next.tv_nsec >= 1000000000L) {
                next.tv_nsec -= 1000000000L;
                ++next.tv_sec;
            }
            // Behind by more than 10 ms (a loaded machine): start the schedule afresh instead of bursting.
            timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            const long behindNs = (now.tv_sec - next.tv_sec) * 1000000000L + (now.tv_nsec - next.tv_nsec);
            if (behindNs > 10000000L)
                next = now;
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        }
    }

    SDL_Joystick* m_joystick;
    const int m_axis;
    const long m_periodNs;
    const int m_amplitude;
    QElapsedTimer m_clock;
    qint64 m_elapsedMs = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_readings{0};
    std::thread m_thread;
};

// Counts the joystick axis events that reach SDL's queue for one instance id and axis.
class AxisEventCounter
{
public:
    AxisEventCounter(SDL_JoystickID id, int axis) : m_id(id), m_axis(axis)
    {
        SDL_AddEventWatch(&watch, this);
    }
    ~AxisEventCounter() { SDL_DelEventWatch(&watch, this); }
    long count() const { return m_count.load(); }

private:
    static int SDLCALL watch(void* self, SDL_Event* event)
    {
        auto* counter = static_cast<AxisEventCounter*>(self);
        if (event->type == SDL_JOYAXISMOTION && event->jaxis.which == counter->m_id &&
            event->jaxis.axis == counter->m_axis)
            ++counter->m_count;
        return 1;
    }
    const SDL_JoystickID m_id;
    const int m_axis;
    std::atomic<long> m_count{0};
};

// Other pads pressing buttons, hats and full stick movements at random, on a thread of their own.
class CrowdNoise
{
public:
    explicit CrowdNoise(const std::vector<VirtualPad*>& pads) : m_pads(pads)
    {
        m_thread = std::thread([this] { run(); });
    }
    ~CrowdNoise() { stop(); }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    long actions() const { return m_actions.load(); }

private:
    void run()
    {
        std::mt19937 rng(16);
        const timespec pause = {0, 500000}; // 0.5 ms between actions
        while (!m_stop) {
            VirtualPad* pad = m_pads[rng() % m_pads.size()];
            switch (rng() % 3) {
            case 0:
                pad->pressButton(int(rng() % 15));
                break;
            case 1:
                pad->setHat(0, Uint8(1u << (rng() % 4)));
                SDL_JoystickUpdate();
                pad->setHat(0, SDL_HAT_CENTERED);
                SDL_JoystickUpdate();
                break;
            default: {
                const int axis = int(rng() % 6);
                pad->setAxis(axis, rng() % 2 ? 32767 : -32768);
                SDL_JoystickUpdate();
                pad->setAxis(axis, 0);
                SDL_JoystickUpdate();
                break;
            }
            }
            ++m_actions;
            nanosleep(&pause, nullptr);
        }
    }
    std::vector<VirtualPad*> m_pads;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_actions{0};
    std::thread m_thread;
};

// A pad of the wizard's kind (a plain joystick, triggers resting at their far end) with a name of its own.
VirtualPad::Layout plainPad(const char* name, Uint16 product, int axes = 6)
{
    VirtualPad::Layout layout;
    layout.name = name;
    layout.product = product;
    layout.axes = axes;
    layout.gameController = false;
    layout.restingAxes = {{LeftTrigger, -32768}, {RightTrigger, -32768}};
    return layout;
}

// Performs the wizard's steps from row 0, waiting for each row without sleeping.
bool performSteps(Wizard& wizard, const QList<Step>& steps)
{
    for (int row = 0; row < steps.size(); ++row) {
        if (!waitUntil([&] { return wizard.visibleRow() == row; }, 5000)) {
            qWarning("the wizard did not reach row %d (shows %d)", row, wizard.visibleRow());
            return false;
        }
        if (steps.at(row))
            steps.at(row)(*wizard.pad);
        else
            QTest::mouseClick(wizard.fixture.button("skipButton"), Qt::LeftButton);
    }
    return true;
}

SDL_JoystickID heldInstance(MainWindow& window)
{
    SDL_Joystick* joystick = MainWindowProbe::joystick(window);
    return joystick ? SDL_JoystickInstanceID(joystick) : -1;
}

} // namespace

class StressTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QCOMPARE(SDL_NumJoysticks(), 0);
        m_watchdog = std::make_unique<Watchdog>(15000);
    }

    void cleanupTestCase() { m_watchdog.reset(); }

    void init() { m_watchdog->setCase(QTest::currentTestFunction()); }

    // Create (with its introduction box) and Cancel, a thousand times: every switch returns, restarts the
    // worker, and leaves neither a thread nor memory behind.
    void thousandModeSwitches()
    {
        const int kSwitches = 1000;
        RunCounter runs;
        VirtualPad pad(plainPad("Stress Switching Pad", 0x5a01));
        QVERIFY(pad.attach());
        WindowFixture fixture;
        MainWindow& window = fixture.open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(fixture.button("newBindings")->isEnabled());
        QThread* workerThread = MainWindowProbe::thread(window);
        ModalAnswerer answers;

        QElapsedTimer clock;
        clock.start();
        qint64 slowestSwitchUs = 0;
        int throughBox = 0;
        int threadsAfterFirstPair = -1;
        QStringList namesAfterFirstPair;
        long rssAfter100 = -1;
        for (int i = 0; i < kSwitches; ++i) {
            const bool create = i % 2 == 0;
            QElapsedTimer one;
            one.start();
            if (create && (i / 2) % 5 == 0) {
                // One Create in five as the user does it: the button and its introduction box.
                answers.answerMessage(QMessageBox::Ok);
                QTest::mouseClick(fixture.button("newBindings"), Qt::LeftButton);
                QCOMPARE(answers.pending(), 0);
                ++throughBox;
            } else if (create) {
                // The rest take the same mode switch without the box.
                MainWindowProbe::session(window).beginWizard(STANDARD_ROWS);
            } else {
                QTest::mouseClick(fixture.button("cancelButton"), Qt::LeftButton);
            }
            slowestSwitchUs = std::max(slowestSwitchUs, one.nsecsElapsed() / 1000);

            QCOMPARE(MainWindowProbe::session(window).mode(),
                     create ? MappingSession::Mode::Wizard : MappingSession::Mode::Idle);
            QCOMPARE(fixture.button("skipButton")->isVisible(), create);
            QCOMPARE(fixture.list()->isEnabled(), !create);
            QVERIFY2(workerThread->isRunning(),
                     qPrintable(QString("no worker run after switch %1").arg(i + 1)));
            QVERIFY2(clock.elapsed() < 40000, qPrintable(QString("only %1 switches in 40 s").arg(i + 1)));
            // Let queued highlight signals and window events through now and then, as a user's pace would.
            if (i % 10 == 9)
                QCoreApplication::processEvents();

            if (i == 1) {
                threadsAfterFirstPair = settledThreadCount();
                namesAfterFirstPair = threadNames();
            }
            if (i == 99) {
                QCoreApplication::processEvents();
                rssAfter100 = vmRssKiB();
            }
        }
        const qint64 totalMs = clock.elapsed();
        QCoreApplication::processEvents();
        const long rssAfter1000 = vmRssKiB();
        const int threadsAfter = settledThreadCount();

        // The constructor's run and at most one run per switch (the loop takes only the newest request);
        // all but the current one have finished.
        QVERIFY2(waitUntil([&] { return runs.finishes() == runs.starts() - 1; }, 5000),
                 qPrintable(QString("%1 runs started, %2 finished").arg(runs.starts()).arg(runs.finishes())));
        QVERIFY(runs.starts() >= 2 && runs.starts() <= 1 + kSwitches);

        qInfo("%d switches (%d through the button and its box) in %lld ms, slowest %lld us", kSwitches,
              throughBox, (long long)totalMs, (long long)slowestSwitchUs);
        qInfo("threads after the first Create and Cancel: %d, after %d switches: %d", threadsAfterFirstPair,
              kSwitches, threadsAfter);
        qInfo("VmRSS after 100 switches: %ld KiB, after %d: %ld KiB (%+ld KiB)", rssAfter100, kSwitches,
              rssAfter1000, rssAfter1000 - rssAfter100);
        QVERIFY2(
            threadsAfter == threadsAfterFirstPair,
            qPrintable("before: " + namesAfterFirstPair.join(',') + "\nafter: " + threadNames().join(',')));
        QVERIFY(rssAfter100 > 0 && rssAfter1000 > 0);
        if (!kSanitizedBuild)
            QVERIFY2(rssAfter1000 - rssAfter100 < 4096, "VmRSS grew by 4 MiB or more");
    }

    // A hundred pads come and go in random order while the list is shown and the user picks entries: the
    // list ends up with exactly the pads that are attached, and the selection holds one of them.
    void hundredPadsComeAndGo()
    {
        struct Churned {
            QByteArray name;
            QString entry;
            std::unique_ptr<VirtualPad> pad;
        };
        WindowFixture fixture;
        MainWindow& window = fixture.open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(fixture.entries(), QStringList({"No gamepads found"}));

        std::mt19937 rng(20240601);
        std::vector<std::unique_ptr<Churned>> attached;
        int made = 0, detached = 0, picks = 0, mostAtOnce = 0;
        QElapsedTimer clock;
        clock.start();
        while (made < 100) {
            const unsigned roll = rng() % 20;
            if (attached.empty() || roll < 11) {
                auto churned = std::make_unique<Churned>();
                churned->name = QString("Churn Pad %1").arg(++made, 3, 10, QChar('0')).toUtf8();
                VirtualPad::Layout layout = plainPad(churned->name.constData(), Uint16(0x6000 + made));
                layout.restingAxes.clear();
                // Every third one is of the game-controller kind: SDL knows a mapping for it.
                layout.gameController = made % 3 == 0;
                churned->entry =
                    QString::fromUtf8(churned->name) + (layout.gameController ? " (mapping available)" : " ");
                churned->pad = std::make_unique<VirtualPad>(layout);
                QVERIFY(churned->pad->attach());
                attached.push_back(std::move(churned));
                mostAtOnce = std::max(mostAtOnce, int(attached.size()));
            } else {
                attached.erase(attached.begin() + long(rng() % attached.size()));
                ++detached;
            }
            if (roll >= 17 && fixture.list()->isEnabled() && fixture.list()->count() > 0) {
                fixture.list()->setCurrentIndex(int(rng() % unsigned(fixture.list()->count())));
                ++picks;
            }
            // The user's pace varies: sometimes the window gets a few milliseconds, sometimes none.
            serveEvents(int(rng() % 9));
            QVERIFY2(clock.elapsed() < 20000, "the pads' churn took longer than 20 s");
        }
        const qint64 churnMs = clock.elapsed();

        QStringList expected;
        for (const auto& churned : attached)
            expected << churned->entry;
        const bool caughtUp = waitUntil([&] { return fixture.entries() == expected; }, 10000);
        const qint64 caughtUpMs = clock.elapsed() - churnMs;
        const int rebuilds = fixture.logLines().count("Searching gamepads...");
        qInfo("%d pads attached, %d detached, at most %d at once, %d picks in %lld ms; the list caught up "
              "with the %d left %lld ms later, after %d rebuilds",
              made, detached, mostAtOnce, picks, (long long)churnMs, int(attached.size()),
              (long long)caughtUpMs, rebuilds);
        QVERIFY2(caughtUp,
                 qPrintable("listed: " + fixture.entries().join('|') + "\nattached: " + expected.join('|')));
        QCOMPARE(fixture.status(), QString("Found %1 gamepad(s)").arg(attached.size()));

        // The selection is an entry, and the window holds that entry's pad.
        const int current = fixture.list()->currentIndex();
        QVERIFY2(current >= 0 && current < int(attached.size()), qPrintable(QString::number(current)));
        QCOMPARE(heldInstance(window), attached[size_t(current)]->pad->instanceId());
        QVERIFY(fixture.list()->isEnabled());

        // The pad of the last entry is the selected one, and it goes: the selection moves to a pad that is
        // still there instead of leaving the list without a current entry.
        fixture.list()->setCurrentIndex(fixture.list()->count() - 1);
        attached.pop_back();
        expected.removeLast();
        QVERIFY(waitUntil([&] { return fixture.entries() == expected; }, 10000));
        const int after = fixture.list()->currentIndex();
        QVERIFY2(after >= 0 && after < int(attached.size()), qPrintable(QString::number(after)));
        QCOMPARE(heldInstance(window), attached[size_t(after)]->pad->instanceId());

        // Every pad goes: the list says so.
        attached.clear();
        QVERIFY(waitUntil([&] { return fixture.entries() == QStringList({"No gamepads found"}); }, 10000));
    }

    // A pad streams 8000 readings a second on an axis that no row uses (small noise around its rest)
    // during a whole wizard run: the run gives the exact mapping and the window stays responsive.
    void streamingPadDuringWizard()
    {
        Wizard wizard("Stress Streaming Pad");
        // A seventh axis, after the six that the steps move.
        wizard.pad = std::make_unique<VirtualPad>(plainPad("Stress Streaming Pad", 0x5a02, 7));
        QVERIFY(wizard.pad->attach());
        const int kStreamAxis = 6;
        AxisEventCounter events(wizard.pad->instanceId(), kStreamAxis);
        LatenessProbe lateness;
        QElapsedTimer clock;
        clock.start();
        // Readings within 7000 of 0 stay less than the capture's travel of 16000 from any rest they start at.
        AxisStreamer streamer(wizard.pad->joystick(), kStreamAxis, 8000, 7000);

        QVERIFY(wizard.start());
        wizard.answers.answerInput("My Streaming Pad");
        QVERIFY(performSteps(wizard, fullPadSteps()));
        QVERIFY(wizard.answers.waitAllAnswered());
        QVERIFY(waitUntil([&] { return !wizard.mappingLine().isEmpty(); }, 5000));
        const qint64 runMs = clock.elapsed();
        streamer.stop();
        lateness.stop();

        qInfo("wizard run with the stream: %lld ms; %ld readings, %.0f a second; %ld axis events queued",
              (long long)runMs, streamer.readings(), streamer.perSecond(), events.count());
        qInfo("GUI timer lateness over %d ticks: p50 %.1f ms, p99 %.1f ms, max %.1f ms", lateness.samples(),
              lateness.percentile(0.5) / 1000.0, lateness.percentile(0.99) / 1000.0,
              lateness.percentile(1.0) / 1000.0);
        QCOMPARE(wizard.mappingLine(),
                 QString(portableHead(*wizard.pad, "My Streaming Pad") + kFullPadBindings));
        // The stream was real: most of its readings reached SDL's queue as events.
        QVERIFY2(streamer.perSecond() > 2000, "the stream fell far short of its rate");
        QVERIFY(events.count() > streamer.readings() / 2);
        QVERIFY2(lateness.percentile(0.99) < 200000, "the window stopped serving its events");
    }

    // Sixteen pads at once: all listed with their names, each selectable, and a wizard run on the last one
    // while the other fifteen press buttons, hats and sticks that must not bind anything.
    void sixteenPads()
    {
        const int kPads = 16;
        std::vector<QByteArray> names;
        for (int i = 1; i <= kPads; ++i)
            names.push_back(QString("Stress Crowd Pad %1").arg(i, 2, 10, QChar('0')).toUtf8());
        std::vector<std::unique_ptr<VirtualPad>> crowd;
        QStringList expected;
        for (int i = 0; i < kPads - 1; ++i) {
            VirtualPad::Layout layout = plainPad(names[size_t(i)].constData(), Uint16(0x6100 + i));
            layout.gameController = i % 2 == 0;
            crowd.push_back(std::make_unique<VirtualPad>(layout));
            QVERIFY(crowd.back()->attach());
            expected << QString::fromUtf8(names[size_t(i)]) +
                            (layout.gameController ? " (mapping available)" : " ");
        }
        Wizard wizard(names.back().constData());
        QVERIFY(wizard.pad->attach());
        expected << QString::fromUtf8(names.back()) + " ";
        QCOMPARE(SDL_NumJoysticks(), kPads);

        MainWindow& window = wizard.fixture.open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(wizard.fixture.entries(), expected);
        QCOMPARE(wizard.fixture.status(), QString("Found 16 gamepad(s)"));

        std::vector<VirtualPad*> all;
        for (const auto& pad : crowd)
            all.push_back(pad.get());
        all.push_back(wizard.pad.get());
        const QStringList log = wizard.fixture.logLines();
        for (int i = 0; i < kPads; ++i) {
            const QByteArray guid = all[size_t(i)]->portableGuidText();
            qInfo("pad %2d: %s, %s", i + 1, names[size_t(i)].constData(), guid.constData());
            const QString line =
                "\"" + QString::fromUtf8(names[size_t(i)]) + "\", " + QString::fromUtf8(guid);
            QVERIFY2(log.contains(line) || log.contains(line + " (mapping available)"), qPrintable(line));
        }
        // Selecting entry i holds pad i; the commands follow whether SDL knows a mapping for it.
        for (int i = 0; i < kPads; ++i) {
            wizard.fixture.list()->setCurrentIndex(i);
            QCOMPARE(heldInstance(window), all[size_t(i)]->instanceId());
            const bool mapped = expected.at(i).endsWith("(mapping available)");
            QCOMPARE(MainWindowProbe::controller(window) != nullptr, mapped);
            QCOMPARE(wizard.fixture.button("copyBindingsButton")->isEnabled(), mapped);
            QVERIFY(wizard.fixture.button("copyIdButton")->isEnabled());
        }

        // The wizard on the sixteenth pad, the others busy all along.
        QCOMPARE(wizard.fixture.list()->currentIndex(), kPads - 1);
        wizard.overlays = wizard.fixture.widget<QLabel>("mainImage")->findChildren<QLabel*>();
        CrowdNoise noise(std::vector<VirtualPad*>(all.begin(), all.end() - 1));
        QElapsedTimer clock;
        clock.start();
        wizard.answers.answerMessage(QMessageBox::Ok);
        QTest::mouseClick(wizard.fixture.button("newBindings"), Qt::LeftButton);
        QVERIFY(wizard.answers.waitAllAnswered());
        wizard.answers.answerInput("My Crowd Pad");
        QVERIFY(performSteps(wizard, fullPadSteps()));
        QVERIFY(wizard.answers.waitAllAnswered());
        QVERIFY(waitUntil([&] { return !wizard.mappingLine().isEmpty(); }, 5000));
        noise.stop();
        qInfo("wizard run on pad 16 in %lld ms while the other 15 made %ld inputs",
              (long long)clock.elapsed(), noise.actions());
        QCOMPARE(wizard.mappingLine(), QString(portableHead(*wizard.pad, "My Crowd Pad") + kFullPadBindings));

        // The list is rebuilt with the new name, the others as they were, the sixteenth still held.
        expected.last() = "My Crowd Pad (mapping available)";
        QVERIFY(waitUntil([&] { return wizard.fixture.entries() == expected; }, 5000));
        QCOMPARE(wizard.fixture.list()->currentIndex(), kPads - 1);
        QCOMPARE(heldInstance(window), wizard.pad->instanceId());
    }

private:
    std::unique_ptr<Watchdog> m_watchdog;
};

int main(int argc, char** argv)
{
    SDL_Init(SDL_INIT_GAMECONTROLLER);
    SDL_JoystickEventState(SDL_ENABLE);
    QApplication application(argc, argv);
    StressTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_stress.moc"
