// The input worker's costs with one virtual pad connected, wired to a small window as the program
// wires it: idle CPU of the worker thread, delay from a pad change to the overlay on the GUI thread
// (while the pad is in use, and after it has been still a while), and the GUI event loop's delays
// while the pad streams axis readings. Run by hand under a display (xvfb-run -a bench_worker); prints
// its figures (about two minutes).

#include "sdlpollevent.h"
#include "virtualpad.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPixmap>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <pthread.h>
#include <random>
#include <thread>
#include <time.h>
#include <vector>

namespace
{

QElapsedTimer benchClock;

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(std::ceil(p / 100.0 * double(v.size()))) - 1);
    return v[i];
}

// Stands in for the window: one highlight overlay per row, toggled as showGamepadImage does.
class Overlay : public QWidget
{
    Q_OBJECT
public:
    QLabel* labels[BINDING_ROWS];
    long long lastChangeNs = 0;
    int lastRow = -1;
    bool lastShow = false;
    long long calls = 0;
    QEventLoop* waiter = nullptr;
    int waitRow = -1;
    bool waitShow = false;

    Overlay()
    {
        resize(550, 360);
        QPixmap mark(40, 40);
        mark.fill(Qt::red);
        for (int row = 0; row < BINDING_ROWS; ++row) {
            labels[row] = new QLabel(this);
            labels[row]->setPixmap(mark);
            labels[row]->move(bindingTable[row].x, bindingTable[row].y);
            labels[row]->setVisible(false);
        }
    }

public slots:
    void showGamepadImage(int index, bool show)
    {
        ++calls;
        if (index < 0 || index >= BINDING_ROWS)
            return;
        labels[index]->setVisible(show);
        lastChangeNs = benchClock.nsecsElapsed();
        lastRow = index;
        lastShow = show;
        if (waiter && index == waitRow && show == waitShow)
            waiter->quit();
    }
};

void runEventLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double threadCpuSeconds(clockid_t clock)
{
    timespec t;
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Lateness of a 1 ms precise timer on the GUI thread, in ms, over the time the loop runs.
class LoopProbe : public QObject
{
public:
    std::vector<double> lateness;
    QTimer timer;
    long long last = 0;

    LoopProbe()
    {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(1);
        connect(&timer, &QTimer::timeout, this, [this] {
            const long long now = benchClock.nsecsElapsed();
            if (last)
                lateness.push_back(std::max(0.0, (now - last) / 1e6 - 1.0));
            last = now;
        });
    }
    void start()
    {
        lateness.clear();
        last = 0;
        timer.start();
    }
    void stop() { timer.stop(); }
};

} // namespace

int main(int argc, char** argv)
{
    SDL_Init(SDL_INIT_GAMECONTROLLER);
    SDL_JoystickEventState(SDL_ENABLE);
    QApplication app(argc, argv);
    benchClock.start();

    VirtualPad pad;
    if (!pad.attach()) {
        fprintf(stderr, "cannot attach the virtual pad: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GameController* controller = SDL_GameControllerOpen(pad.deviceIndex());
    if (!controller) {
        fprintf(stderr, "cannot open the virtual pad as a game controller: %s\n", SDL_GetError());
        return 1;
    }

    Overlay overlay;
    overlay.show();

    QThread thread;
    SDLPollEvent* worker = new SDLPollEvent;
    std::atomic<clockid_t> workerClock{0};
    QObject::connect(
        &thread, &QThread::started, &thread,
        [&workerClock] {
            clockid_t clock;
            pthread_getcpuclockid(pthread_self(), &clock);
            workerClock = clock;
        },
        Qt::DirectConnection);
    worker->runOn(&thread);
    QObject::connect(worker, SIGNAL(buttonPressed(int, bool)), &overlay, SLOT(showGamepadImage(int, bool)));
    worker->restart(SDLPollEvent::NormalMode, pad.instanceId());
    runEventLoopFor(500);
    const clockid_t clock = workerClock.load();

    // 1. Idle: nobody touches the pad, in the first 10 s (the pad's arrival is its last event), then in
    // 10 s after it has been still for 12 s.
    struct Span {
        const char* when;
        int settleMs;
    };
    for (const Span& span : {Span{"in the first 10 s", 0}, Span{"after 12 s still", 2000}}) {
        runEventLoopFor(span.settleMs);
        const long long wall0 = benchClock.nsecsElapsed();
        const double cpu0 = threadCpuSeconds(clock);
        runEventLoopFor(10000);
        const double cpu = threadCpuSeconds(clock) - cpu0;
        const double wall = (benchClock.nsecsElapsed() - wall0) / 1e9;
        printf("idle worker thread CPU %s: %.3f%% of one core over %.1f s\n", span.when, cpu / wall * 100.0,
               wall);
    }

    // 2. Latency: a button toggled 1000 times at random moments, from the pad's state change to the
    // overlay's visibility change on the GUI thread.
    // One press or release of button 0, timed to the overlay's change on the GUI thread; < 0 if missed.
    auto timeChange = [&](bool press) -> double {
        QEventLoop loop;
        overlay.waiter = &loop;
        overlay.waitRow = 0;
        overlay.waitShow = press;
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        const long long t0 = benchClock.nsecsElapsed();
        pad.setButton(0, press);
        loop.exec();
        overlay.waiter = nullptr;
        if (overlay.lastRow == 0 && overlay.lastShow == press && overlay.lastChangeNs >= t0)
            return (overlay.lastChangeNs - t0) / 1e6;
        return -1;
    };
    {
        std::mt19937 random(12345);
        std::uniform_int_distribution<int> gap(0, 20);
        std::vector<double> delays;
        int missed = 0;
        for (int i = 0; i < 1000; ++i) {
            runEventLoopFor(gap(random));
            const bool press = (i % 2) == 0;
            const double delay = timeChange(press);
            if (delay >= 0)
                delays.push_back(delay);
            else
                ++missed;
        }
        printf("pad change -> overlay visibility: median %.2f ms, p99 %.2f ms, max %.2f ms (%zu changes, %d "
               "missed)\n",
               percentile(delays, 50), percentile(delays, 99), percentile(delays, 100), delays.size(),
               missed);
    }

    // 2b. The first change after the pad has been still long enough for the worker to poll slowly.
    // The still time varies by up to 100 ms, so that the change does not keep step with the pauses.
    std::mt19937 random(54321);
    std::uniform_int_distribution<int> jitter(0, 100);
    {
        std::vector<double> delays;
        for (int i = 0; i < 10; ++i) {
            runEventLoopFor(2200 + jitter(random));
            const bool press = (i % 2) == 0;
            const double delay = timeChange(press);
            if (delay >= 0)
                delays.push_back(delay);
        }
        printf("first change after 2.2-2.3 s still: median %.2f ms, max %.2f ms (%zu changes)\n",
               percentile(delays, 50), percentile(delays, 100), delays.size());
    }

    // 2c. The same after 11 s: long enough for the slowest pace the worker keeps while nobody plays.
    {
        std::vector<double> delays;
        for (int i = 0; i < 6; ++i) {
            runEventLoopFor(11000 + jitter(random));
            const bool press = (i % 2) == 0;
            const double delay = timeChange(press);
            if (delay >= 0)
                delays.push_back(delay);
        }
        printf("first change after 11-11.1 s still: median %.2f ms, max %.2f ms (%zu changes)\n",
               percentile(delays, 50), percentile(delays, 100), delays.size());
    }

    // 3. Streaming: the left stick reports 8000 readings a second for 10 s, sweeping its whole range.
    {
        overlay.calls = 0;
        LoopProbe probe;
        std::atomic<bool> streaming{true};
        std::atomic<long long> readings{0};
        const double cpu0 = threadCpuSeconds(clock);
        probe.start();
        std::thread streamer([&] {
            timespec next;
            clock_gettime(CLOCK_MONOTONIC, &next);
            long long n = 0;
            while (streaming.load()) {
                // A 4 Hz sweep: the stick crosses both thresholds 16 times a second.
                const double phase = double(n) / 8000.0 * 4.0 * 2.0 * M_PI;
                pad.setAxis(SDL_CONTROLLER_AXIS_LEFTX, Sint16(std::lround(32767.0 * std::sin(phase))));
                SDL_JoystickUpdate();
                ++n;
                next.tv_nsec += 125000;
                if (next.tv_nsec >= 1000000000) {
                    next.tv_nsec -= 1000000000;
                    ++next.tv_sec;
                }
                clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
            }
            readings = n;
        });
        runEventLoopFor(10000);
        streaming = false;
        streamer.join();
        const double cpu = threadCpuSeconds(clock) - cpu0;
        runEventLoopFor(200); // let the last queued signals arrive
        probe.stop();
        printf("streaming %lld axis readings in 10 s (%.0f a second):\n", readings.load(),
               readings.load() / 10.0);
        printf("  GUI event loop delay (1 ms timer lateness): median %.2f ms, p99 %.2f ms, max %.2f ms (%zu "
               "ticks)\n",
               percentile(probe.lateness, 50), percentile(probe.lateness, 99),
               percentile(probe.lateness, 100), probe.lateness.size());
        printf("  buttonPressed signals queued to the GUI thread: %lld\n", overlay.calls);
        printf("  worker thread CPU while streaming: %.2f%% of one core\n", cpu / 10.0 * 100.0);
    }

    delete worker;
    SDL_GameControllerClose(controller);
    return 0;
}

#include "bench_worker.moc"
