#ifndef SDLPOLLEVENT_H
#define SDLPOLLEVENT_H
// The input worker: polls SDL's event queue on its own thread, one run per call of doWork().
// Normal mode reports held controls of the open game controller and hot-plug; mapping mode runs
// the 25-step capture (31 with the extra controls) and hands over the captured bindings.

#include "bindingcapture.h"
#include "capturedbindings.h"
#include "controllerhighlights.h"

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QWaitCondition>
#include <SDL.h>
#include <climits>

class SDLPollEvent : public QObject
{
    Q_OBJECT
public:
    // What a run does: report held controls and hot-plug, or capture a new mapping.
    enum Mode { NormalMode = 0, MappingMode = 1 };

    // Initialises SDL's game-controller subsystem (SDL counts the init).
    explicit SDLPollEvent(QObject* parent = nullptr);
    // Stops a run that is still going (stop()) before the worker goes.
    ~SDLPollEvent() override;

    // GUI thread, once: moves the worker to thread and wires them, so that workRequested() starts the
    // thread, its started() runs doWork() there and finished() quits it (directly, on the worker thread).
    void runOn(QThread* thread);
    // GUI thread: ends the current run and starts a new one in mode, capturing from the joystick with
    // instanceId (a negative id keeps the one given before) the first `rows` binding-table rows
    // (STANDARD_ROWS, or BINDING_ROWS with the extra controls). The parameters are stored under the
    // lock; then abort, a wait for the thread without time limit, requestWork. Needs runOn.
    void restart(Mode mode, SDL_JoystickID instanceId = -1, int rows = STANDARD_ROWS);
    // GUI thread: like restart(MappingMode, instanceId), but the capture asks for the one row `row` of
    // the mapping whose bindings are given; the other rows keep their inputs (so those stay taken).
    // mappingReady then carries every row's binding: the row's new one, or none after Skip.
    void restartSingle(SDL_JoystickID instanceId, int row, const CapturedInput bindings[BINDING_ROWS]);
    // GUI thread: abort, then waits up to ms for the thread to finish. True when no run is going.
    bool stop(unsigned long ms = ULONG_MAX);
    // Any thread: Skip and Previous for a running capture, pushed as SDL user events that the capture
    // reads from SDL's queue; a normal-mode run drops them.
    static void pushSkip();
    static void pushPrevious();

    // GUI thread: marks a run as requested, clears the abort flag under the lock, traces
    // "Request worker start in Thread " and emits workRequested() after unlocking.
    void requestWork();
    // GUI thread: while a run is requested or going, sets the abort flag (and wakes an idle wait)
    // and traces "Request worker aborting in Thread ". Does not wait; harmless when idle.
    void abort();

signals:
    void workRequested();
    void buttonPressed(int index, bool pressed);
    void finished();
    // A capture has finished: the binding of every row (a single-control capture: the bindings it was
    // given, with its one row replaced or, after Skip, cleared).
    void mappingReady(const CapturedBindings& bindings);
    void joystickAdded(int);
    void joystickRemoved(int);

public slots:
    void doWork();

private:
    enum ControlCode : Sint32 { SkipCode = 0, PreviousCode = 1 };
    static void pushControl(ControlCode code);

    bool abortRequested();
    // Sleeps up to ms milliseconds; returns at once when abort is (or gets) requested.
    void pause(unsigned long ms);
    void runNormalMode();
    void runCapture(SDL_JoystickID id, int rows, int singleRow, const CapturedInput preset[BINDING_ROWS]);
    void restartRun();
    // Asks the application's event loop to quit, as closing the window does (queued, any thread).
    static void requestApplicationQuit();

    QPointer<QThread> m_pThread; // set by runOn; null once the thread is deleted
    // Guarded by m_mutex: set by restart, copied once at the start of each run.
    Mode m_iMappingMode = NormalMode;
    int m_iWizardRows = STANDARD_ROWS; // the rows a wizard's capture steps through
    SDL_JoystickID m_iJoystickInstanceId = 0;
    int m_iSingleRow = -1;                             // the row a single-control capture asks for; -1 all
    CapturedInput m_singleBindings[BINDING_ROWS] = {}; // the mapping a single-control capture changes
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
