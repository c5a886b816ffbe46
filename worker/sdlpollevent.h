#ifndef SDLPOLLEVENT_H
#define SDLPOLLEVENT_H
// The input worker: polls SDL's event queue on its own thread, one run per call of doWork().
// Normal mode reports held controls of the open game controller and hot-plug; mapping mode runs
// the 25-step capture and emits the finished mapping string.

#include "bindingcapture.h"
#include "controllerhighlights.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QWaitCondition>
#include <SDL.h>
#include <atomic>

class SDLPollEvent : public QObject
{
    Q_OBJECT
public:
    // Initialises SDL's game-controller subsystem (SDL counts the init).
    explicit SDLPollEvent(QObject* parent = nullptr);
    ~SDLPollEvent() override;

    // GUI thread: marks a run as requested, clears the abort flag under the lock, traces
    // "Request worker start in Thread " and emits workRequested() after unlocking.
    void requestWork();
    // GUI thread: while a run is requested or going, sets the abort flag (and wakes an idle wait)
    // and traces "Request worker aborting in Thread ". Does not wait; harmless when idle.
    void abort();

    // Written by the window between runs (restart sequence); read once at the start of a run.
    std::atomic<int> m_iMappingMode{0};
    std::atomic<SDL_JoystickID> m_iJoystickInstanceId{0};

signals:
    void workRequested();
    void buttonPressed(int index, bool pressed);
    void finished();
    void mappingReady(QString mapping);
    void joystickAdded(int);
    void joystickRemoved(int);

public slots:
    void doWork();

private:
    bool abortRequested();
    // Sleeps up to ms milliseconds; returns at once when abort is (or gets) requested.
    void pause(unsigned long ms);
    void runNormalMode();
    void runCapture();
    // Asks the application's event loop to quit, as closing the window does (queued, any thread).
    static void requestApplicationQuit();

    bool m_bAbort = false;
    bool m_bWorking = false;
    QMutex m_mutex;
    QWaitCondition m_wake; // lets an idle normal-mode run notice abort at once

    // Used only by the worker thread during a run.
    bool m_bQuit = false; // the capture must end: SDL_QUIT, or the captured gamepad was removed
    BindingCapture m_capture;
    ControllerHighlights m_highlights;
};

#endif
