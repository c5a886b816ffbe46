#include "sdlpollevent.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMetaObject>
#include <QMutexLocker>
#include <QThread>
#include <atomic>

namespace
{

// Normal mode sleeps between polls (a request or abort wakes it at once). Each wakeup costs the idle
// program CPU, and a change waits half a pause on average, so the pace follows the user: short pauses
// while a pad is in use, longer ones once the pads have been still for a while, and longer still when
// nobody has touched one for some time (bench_worker measures each).
// SDL_WaitEventTimeout is no help: without SDL's video subsystem it wakes every millisecond by itself.
const unsigned long ACTIVE_POLL_MS = 4;
const unsigned long IDLE_POLL_MS = 16;
const unsigned long STILL_POLL_MS = 100;
const Uint32 ACTIVE_SPAN_MS = 2000;
const Uint32 IDLE_SPAN_MS = 10000;
// Mapping mode's pause after each draining of the queue; it paces the settle test.
const unsigned long CAPTURE_PAUSE_MS = 15;

// Request numbers, shared by every worker so that Skip and Previous can name the request they were
// pushed for without knowing the worker; 0 is no request.
std::atomic<quintptr> lastRequest{0};

} // namespace

SDLPollEvent::SDLPollEvent(QObject* parent)
    : QObject(parent), m_capture([this](int row, bool on) { emit buttonPressed(row, on); }),
      m_highlights([this](int row, bool pressed) { emit buttonPressed(row, pressed); })
{
    qRegisterMetaType<CapturedBindings>();
    SDL_Init(SDL_INIT_GAMECONTROLLER);
    // No pad has been touched yet: the loop starts at the still pace.
    m_uiLastPadEvent = SDL_GetTicks() - IDLE_SPAN_MS;
    SDL_zero(m_heldEvent);
}

SDLPollEvent::~SDLPollEvent()
{
    stop();
}

void SDLPollEvent::runOn(QThread* thread)
{
    m_pThread = thread;
    moveToThread(thread);
    connect(this, SIGNAL(workRequested()), thread, SLOT(start()));
    connect(thread, SIGNAL(started()), this, SLOT(doWork()));
}

void SDLPollEvent::restart(Mode mode, SDL_JoystickID instanceId, int rows)
{
    bool start;
    {
        QMutexLocker lock(&m_mutex);
        m_request.mode = mode;
        m_request.rows = rows;
        if (instanceId >= 0)
            m_request.joystick = instanceId;
        m_request.singleRow = -1;
        start = postRequest();
    }
    if (start)
        startLoop();
}

void SDLPollEvent::restartSingle(SDL_JoystickID instanceId, int row,
                                 const CapturedInput bindings[BINDING_ROWS])
{
    bool start;
    {
        QMutexLocker lock(&m_mutex);
        m_request.mode = MappingMode;
        m_request.joystick = instanceId;
        m_request.singleRow = row;
        SDL_memcpy(m_request.preset, bindings, sizeof m_request.preset);
        start = postRequest();
    }
    if (start)
        startLoop();
}

void SDLPollEvent::requestWork()
{
    bool start;
    {
        QMutexLocker lock(&m_mutex);
        start = postRequest();
    }
    if (start)
        startLoop();
}

bool SDLPollEvent::postRequest()
{
    if (m_bWorking && (m_bRunning || m_uiRequest != m_uiTaken))
        qDebug() << "Request worker aborting in Thread " << QThread::currentThreadId();
    m_uiRequest = ++lastRequest;
    m_bAbort = false;
    qDebug() << "Request worker start in Thread " << QThread::currentThreadId();
    m_wake.wakeAll();
    const bool start = !m_bWorking;
    m_bWorking = true;
    return start;
}

void SDLPollEvent::startLoop()
{
    // A loop ended by abort may still be leaving its thread, and start() does nothing to a running one.
    if (m_pThread)
        m_pThread->wait();
    emit workRequested();
}

bool SDLPollEvent::stop(unsigned long ms)
{
    abort();
    return !m_pThread || m_pThread->wait(ms);
}

void SDLPollEvent::pushControl(ControlCode code)
{
    SDL_Event event;
    SDL_memset(&event, 0, sizeof event);
    event.type = SDL_USEREVENT;
    event.user.code = code;
    event.user.data1 = reinterpret_cast<void*>(lastRequest.load());
    SDL_PushEvent(&event);
}

void SDLPollEvent::pushSkip()
{
    pushControl(SkipCode);
}

void SDLPollEvent::pushPrevious()
{
    pushControl(PreviousCode);
}

void SDLPollEvent::abort()
{
    QMutexLocker lock(&m_mutex);
    if (!m_bWorking)
        return;
    if (m_bRunning || m_uiRequest != m_uiTaken)
        qDebug() << "Request worker aborting in Thread " << QThread::currentThreadId();
    m_bAbort = true;
    m_wake.wakeAll();
}

bool SDLPollEvent::endRequested(quintptr request)
{
    QMutexLocker lock(&m_mutex);
    return m_bAbort || m_uiRequest != request;
}

void SDLPollEvent::pause(quintptr request, unsigned long ms)
{
    QMutexLocker lock(&m_mutex);
    if (!m_bAbort && m_uiRequest == request)
        m_wake.wait(&m_mutex, ms);
}

bool SDLPollEvent::nextEvent(quintptr request, SDL_Event* event)
{
    if (m_bHeldEvent)
        *event = m_heldEvent;
    else if (SDL_PollEvent(event) <= 0)
        return false;
    m_bHeldEvent = event->type == SDL_USEREVENT && quintptr(event->user.data1) > request;
    if (m_bHeldEvent) {
        m_heldEvent = *event;
        return false;
    }
    m_uiLastPadEvent = SDL_GetTicks();
    return true;
}

unsigned long SDLPollEvent::pollPause() const
{
    const Uint32 still = SDL_GetTicks() - m_uiLastPadEvent;
    if (still < ACTIVE_SPAN_MS)
        return ACTIVE_POLL_MS;
    return still < IDLE_SPAN_MS ? IDLE_POLL_MS : STILL_POLL_MS;
}

void SDLPollEvent::requestApplicationQuit()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, "quit", Qt::QueuedConnection);
}

void SDLPollEvent::doWork()
{
    for (;;) {
        // One consistent set for the whole run, however the GUI thread changes the request meanwhile.
        quintptr request;
        Request what;
        {
            QMutexLocker lock(&m_mutex);
            while (!m_bAbort && m_uiRequest == m_uiTaken)
                m_wake.wait(&m_mutex);
            if (m_bAbort) {
                m_bWorking = false;
                break;
            }
            request = m_uiTaken = m_uiRequest;
            what = m_request;
            m_bRunning = true;
        }
        qDebug() << "Starting worker process in Thread " << QThread::currentThreadId();
        if (what.mode != NormalMode)
            runCapture(request, what);
        else
            runNormalMode(request);
        {
            QMutexLocker lock(&m_mutex);
            m_bRunning = false;
        }
        qDebug() << "Worker process finished in Thread " << QThread::currentThreadId();
        emit finished();
    }
    // SDL frees its per-thread data (the error text) only for threads it started itself.
    SDL_TLSCleanup();
    // The thread ends with the loop: its own event loop, entered when this returns, quits at once.
    QThread::currentThread()->quit();
}

void SDLPollEvent::runNormalMode(quintptr request)
{
    SDL_Event event;
    while (!endRequested(request)) {
        // Drained whole, as in every pass: what SDL has read before a newer request is this run's.
        while (nextEvent(request, &event)) {
            switch (event.type) {
            case SDL_CONTROLLERAXISMOTION:
                m_highlights.axisMotion(event.caxis.axis, event.caxis.value);
                break;
            case SDL_CONTROLLERBUTTONDOWN:
                m_highlights.buttonChanged(event.cbutton.button, true);
                break;
            case SDL_CONTROLLERBUTTONUP:
                m_highlights.buttonChanged(event.cbutton.button, false);
                break;
            case SDL_JOYDEVICEADDED:
                emit joystickAdded(event.jdevice.which);
                break;
            case SDL_JOYDEVICEREMOVED:
                emit joystickRemoved(event.jdevice.which);
                break;
            case SDL_QUIT:
                // SIGINT, SIGTERM or a session logout: end the program the way closing its window does.
                requestApplicationQuit();
                break;
            default:
                break;
            }
        }
        pause(request, pollPause());
    }
    // Whatever this run lit goes dark with it, so the next run starts from a clean picture.
    m_highlights.releaseAll();
    qDebug() << "Aborting worker process in Thread " << QThread::currentThreadId();
}

void SDLPollEvent::runCapture(quintptr request, const Request& what)
{
    const SDL_JoystickID id = what.joystick;
    qDebug() << "m_iCurrentBinding " << m_capture.currentBinding();
    bool quit = false; // SDL_QUIT, or the captured gamepad was removed
    bool quitProgram = false;

    SDL_Joystick* joystick = SDL_JoystickFromInstanceID(id);
    const int numAxes = joystick ? SDL_JoystickNumAxes(joystick) : 0;
    const auto initialState = [joystick](int axis, Sint16* state) {
        return SDL_JoystickGetAxisInitialState(joystick, axis, state) == SDL_TRUE;
    };
    if (what.singleRow >= 0)
        m_capture.beginSingle(what.singleRow, what.preset, numAxes, initialState);
    else
        m_capture.begin(numAxes, initialState, what.rows);

    SDL_Event event;
    for (;;) {
        if (quit || m_capture.isComplete())
            break;
        if (endRequested(request)) {
            m_capture.clearHighlight();
            qDebug() << "Aborting worker process in Thread " << QThread::currentThreadId();
            break;
        }
        // Tested before each event: once a newer request has come, what is left in the queue is its run's.
        while (!endRequested(request) && nextEvent(request, &event)) {
            switch (event.type) {
            case SDL_JOYAXISMOTION:
                if (event.jaxis.which == id)
                    m_capture.axisMotion(event.jaxis.axis, event.jaxis.value, SDL_GetTicks());
                break;
            case SDL_JOYHATMOTION:
                if (event.jhat.which == id)
                    m_capture.hatMotion(event.jhat.hat, event.jhat.value, SDL_GetTicks());
                break;
            case SDL_JOYBUTTONDOWN:
                if (event.jbutton.which == id)
                    m_capture.buttonDown(event.jbutton.button, SDL_GetTicks());
                break;
            // Hot-plug is passed on as in normal mode: the window must learn that the captured pad has
            // gone, and that its list no longer shows what is plugged in.
            case SDL_JOYDEVICEADDED:
                emit joystickAdded(event.jdevice.which);
                break;
            case SDL_JOYDEVICEREMOVED:
                if (event.jdevice.which == id) {
                    quit = true;
                    m_capture.clearHighlight();
                }
                emit joystickRemoved(event.jdevice.which);
                break;
            case SDL_QUIT:
                quit = true;
                quitProgram = true;
                break;
            case SDL_USEREVENT: {
                // A click meant for an earlier capture is not this one's (0: pushed without a request).
                const quintptr stamp = quintptr(event.user.data1);
                if (stamp != 0 && stamp < request)
                    break;
                if (event.user.code == SkipCode)
                    m_capture.skip();
                else if (event.user.code == PreviousCode)
                    m_capture.previous();
                break;
            }
            default:
                break;
            }
        }
        pause(request, CAPTURE_PAUSE_MS);
        m_capture.settle(SDL_GetTicks());
    }

    if (m_capture.isComplete()) {
        m_capture.end();
        m_capture.clearHighlight();
        // Finished just as a newer request came: the mapping of a wizard the user has left is not given.
        if (endRequested(request)) {
            qDebug() << "Aborting worker process in Thread " << QThread::currentThreadId();
        } else {
            CapturedBindings captured;
            SDL_memcpy(captured.bindings, m_capture.bindings(), sizeof captured.bindings);
            emit mappingReady(captured);
        }
    }
    m_capture.end();
    if (quitProgram)
        requestApplicationQuit();
}
