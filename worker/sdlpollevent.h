#ifndef SDLPOLLEVENT_H
#define SDLPOLLEVENT_H
// The input worker: one long-lived loop on its own thread that polls SDL's event queue and carries out
// the latest request. A normal-mode run reports held controls of the open game controller and hot-plug;
// a mapping-mode run captures a new mapping (25 steps, 31 with the extra controls) or one control of an
// existing one, and hands over the captured bindings.

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
    // Ends the loop (stop()) before the worker goes.
    ~SDLPollEvent() override;

    // GUI thread, once: moves the worker to thread and wires them, so that workRequested() starts the
    // thread and its started() runs the loop (doWork()) there.
    void runOn(QThread* thread);
    // GUI thread: asks for a run in mode, capturing from the joystick with instanceId (a negative id
    // keeps the one given before) the first `rows` binding-table rows (STANDARD_ROWS, or BINDING_ROWS
    // with the extra controls). Returns at once: the request is stored under the lock and the loop,
    // woken, ends the current run and starts this one (starting the loop first if it is not going).
    // Once the loop has taken the request, the run before emits nothing more. Needs runOn.
    void restart(Mode mode, SDL_JoystickID instanceId = -1, int rows = STANDARD_ROWS);
    // GUI thread: like restart(MappingMode, instanceId), but the capture asks for the one row `row` of
    // the mapping whose bindings are given; the other rows keep their inputs (so those stay taken).
    // mappingReady then carries every row's binding: the row's new one, or none after Skip.
    void restartSingle(SDL_JoystickID instanceId, int row, const CapturedInput bindings[BINDING_ROWS]);
    // GUI thread: ends the loop (abort), then waits up to ms for its thread to finish. True when the
    // thread is not running. The next restart or requestWork starts the loop again.
    bool stop(unsigned long ms = ULONG_MAX);
    // Any thread: Skip and Previous for the capture of the latest request, pushed as SDL user events
    // that the capture reads from SDL's queue. A run of an earlier request, and a normal-mode run,
    // drop them; one pushed before the loop has taken the latest request waits for its capture.
    static void pushSkip();
    static void pushPrevious();

    // GUI thread: asks for a new run with the parameters given last. Traces "Request worker aborting in
    // Thread " when it ends a run that is requested or going, and "Request worker start in Thread ";
    // wakes the loop, or emits workRequested() (after unlocking) when the loop is not going.
    void requestWork();
    // GUI thread: asks the loop to end (and wakes it); traces "Request worker aborting in Thread " when
    // a run is requested or going. Does not wait; harmless when the loop is not going.
    void abort();

signals:
    void workRequested();
    void buttonPressed(int index, bool pressed);
    // A run has ended: its capture finished by itself, or a newer request or abort ended it.
    void finished();
    // A capture has finished: the binding of every row (a single-control capture: the bindings it was
    // given, with its one row replaced or, after Skip, cleared).
    void mappingReady(const CapturedBindings& bindings);
    void joystickAdded(int);
    void joystickRemoved(int);

public slots:
    // The loop, on the worker thread: waits for a request, runs it until it ends by itself or a newer
    // request or abort ends it, and again; returns (and ends the thread) after abort.
    void doWork();

private:
    enum ControlCode : Sint32 { SkipCode = 0, PreviousCode = 1 };
    static void pushControl(ControlCode code);

    // What a run does; restart stores it, the loop copies it when it takes the request.
    struct Request {
        Mode mode = NormalMode;
        int rows = STANDARD_ROWS; // the rows a wizard's capture steps through
        SDL_JoystickID joystick = 0;
        int singleRow = -1;                      // the row a single-control capture asks for; -1 all
        CapturedInput preset[BINDING_ROWS] = {}; // the mapping a single-control capture changes
    };

    // With m_mutex held: takes the stored request as the latest one; true when the loop must be started.
    bool postRequest();
    void startLoop();
    // True when the run of request must end: a newer request or abort.
    bool endRequested(quintptr request);
    // Sleeps up to ms milliseconds; returns at once when the run of request must end.
    void pause(quintptr request, unsigned long ms);
    // The next event for the run of request, or false when the queue is empty or the event is Skip or
    // Previous pushed for a later request: that one is kept for the next run, which takes it first.
    bool nextEvent(quintptr request, SDL_Event* event);
    // How long the normal mode sleeps between polls, by how long the pads have been still.
    unsigned long pollPause() const;
    void runNormalMode(quintptr request);
    void runCapture(quintptr request, const Request& what);
    // Asks the application's event loop to quit, as closing the window does (queued, any thread).
    static void requestApplicationQuit();

    QPointer<QThread> m_pThread; // set by runOn; null once the thread is deleted
    // Guarded by m_mutex.
    Request m_request;        // the latest request's parameters
    quintptr m_uiRequest = 0; // the latest request's number (numbers grow across all workers)
    quintptr m_uiTaken = 0;   // the number of the request the loop took last
    bool m_bAbort = false;    // the loop must end
    bool m_bWorking = false;  // the loop is going (started, not yet ended)
    bool m_bRunning = false;  // the loop is carrying out a request
    QMutex m_mutex;
    QWaitCondition m_wake; // wakes the loop for a request or abort, and cuts its pauses short

    // Used only by the worker thread.
    BindingCapture m_capture;
    ControllerHighlights m_highlights;
    Uint32 m_uiLastPadEvent;   // tick count of the last event polled, which sets the polling pace
    bool m_bHeldEvent = false; // m_heldEvent is a later request's Skip or Previous, taken out early
    SDL_Event m_heldEvent;
};

#endif
