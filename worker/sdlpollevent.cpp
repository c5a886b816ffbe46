#include "sdlpollevent.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMetaObject>
#include <QMutexLocker>
#include <QThread>

namespace
{

// Normal mode sleeps between polls (abort wakes it at once). Each wakeup costs the idle program CPU,
// and a change waits half a pause on average, so the pace follows the user: short pauses while the pad
// is in use, longer ones once it has been still for a while (bench_worker measures both).
// SDL_WaitEventTimeout is no help: without SDL's video subsystem it wakes every millisecond by itself.
const unsigned long ACTIVE_POLL_MS = 4;
const unsigned long IDLE_POLL_MS = 16;
const Uint32 ACTIVE_SPAN_MS = 2000;
// Mapping mode's pause after each draining of the queue; it paces the settle test.
const unsigned long CAPTURE_PAUSE_MS = 15;

} // namespace

SDLPollEvent::SDLPollEvent(QObject* parent)
    : QObject(parent), m_capture([this](int row, bool on) { emit buttonPressed(row, on); }),
      m_highlights([this](int row, bool pressed) { emit buttonPressed(row, pressed); })
{
    qRegisterMetaType<CapturedBindings>();
    SDL_Init(SDL_INIT_GAMECONTROLLER);
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
    connect(this, SIGNAL(finished()), thread, SLOT(quit()), Qt::DirectConnection);
}

void SDLPollEvent::restart(Mode mode, SDL_JoystickID instanceId, int rows)
{
    {
        QMutexLocker lock(&m_mutex);
        m_iMappingMode = mode;
        m_iWizardRows = rows;
        if (instanceId >= 0)
            m_iJoystickInstanceId = instanceId;
        m_iSingleRow = -1;
    }
    restartRun();
}

void SDLPollEvent::restartSingle(SDL_JoystickID instanceId, int row,
                                 const CapturedInput bindings[BINDING_ROWS])
{
    {
        QMutexLocker lock(&m_mutex);
        m_iMappingMode = MappingMode;
        m_iJoystickInstanceId = instanceId;
        m_iSingleRow = row;
        SDL_memcpy(m_singleBindings, bindings, sizeof m_singleBindings);
    }
    restartRun();
}

void SDLPollEvent::restartRun()
{
    stop();
    requestWork();
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

void SDLPollEvent::requestWork()
{
    {
        QMutexLocker lock(&m_mutex);
        m_bWorking = true;
        m_bAbort = false;
        qDebug() << "Request worker start in Thread " << QThread::currentThreadId();
    }
    emit workRequested();
}

void SDLPollEvent::abort()
{
    QMutexLocker lock(&m_mutex);
    if (m_bWorking) {
        m_bAbort = true;
        qDebug() << "Request worker aborting in Thread " << QThread::currentThreadId();
        m_wake.wakeAll();
    }
}

bool SDLPollEvent::abortRequested()
{
    QMutexLocker lock(&m_mutex);
    return m_bAbort;
}

void SDLPollEvent::pause(unsigned long ms)
{
    QMutexLocker lock(&m_mutex);
    if (!m_bAbort)
        m_wake.wait(&m_mutex, ms);
}

void SDLPollEvent::requestApplicationQuit()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, "quit", Qt::QueuedConnection);
}

void SDLPollEvent::doWork()
{
    // m_bAbort is not cleared here: requestWork has done so under the lock, and an abort that arrived
    // since then (a restart right after a restart) must end this run, not be forgotten.
    qDebug() << "Starting worker process in Thread " << QThread::currentThreadId();
    // One consistent set for the whole run, however the GUI thread changes them meanwhile.
    Mode mode;
    int rows;
    SDL_JoystickID id;
    int singleRow;
    CapturedInput preset[BINDING_ROWS];
    {
        QMutexLocker lock(&m_mutex);
        mode = m_iMappingMode;
        rows = m_iWizardRows;
        id = m_iJoystickInstanceId;
        singleRow = m_iSingleRow;
        SDL_memcpy(preset, m_singleBindings, sizeof preset);
    }
    if (mode != NormalMode)
        runCapture(id, rows, singleRow, preset);
    else
        runNormalMode();

    {
        QMutexLocker lock(&m_mutex);
        m_bWorking = false;
    }
    // Each run has a thread of its own, and SDL frees its per-thread data (the error text) only for
    // threads it started itself.
    SDL_TLSCleanup();
    qDebug() << "Worker process finished in Thread " << QThread::currentThreadId();
    emit finished();
}

void SDLPollEvent::runNormalMode()
{
    SDL_Event event;
    Uint32 lastEvent = SDL_GetTicks() - ACTIVE_SPAN_MS;
    while (!abortRequested()) {
        while (SDL_PollEvent(&event) > 0) {
            lastEvent = SDL_GetTicks();
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
        pause(SDL_GetTicks() - lastEvent < ACTIVE_SPAN_MS ? ACTIVE_POLL_MS : IDLE_POLL_MS);
    }
    // Whatever this run lit goes dark with it, so the next run starts from a clean picture.
    m_highlights.releaseAll();
    qDebug() << "Aborting worker process in Thread " << QThread::currentThreadId();
}

void SDLPollEvent::runCapture(SDL_JoystickID id, int rows, int singleRow,
                              const CapturedInput preset[BINDING_ROWS])
{
    qDebug() << "m_iCurrentBinding " << m_capture.currentBinding();
    m_bQuit = false;
    bool quitProgram = false;

    SDL_Joystick* joystick = SDL_JoystickFromInstanceID(id);
    const int numAxes = joystick ? SDL_JoystickNumAxes(joystick) : 0;
    const auto initialState = [joystick](int axis, Sint16* state) {
        return SDL_JoystickGetAxisInitialState(joystick, axis, state) == SDL_TRUE;
    };
    if (singleRow >= 0)
        m_capture.beginSingle(singleRow, preset, numAxes, initialState);
    else
        m_capture.begin(numAxes, initialState, rows);

    SDL_Event event;
    for (;;) {
        if (m_bQuit || m_capture.isComplete())
            break;
        if (abortRequested()) {
            m_capture.clearHighlight();
            qDebug() << "Aborting worker process in Thread " << QThread::currentThreadId();
            break;
        }
        while (SDL_PollEvent(&event) > 0) {
            if (abortRequested()) {
                m_capture.clearHighlight();
                break;
            }
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
                    m_bQuit = true;
                    m_capture.clearHighlight();
                }
                emit joystickRemoved(event.jdevice.which);
                break;
            case SDL_QUIT:
                m_bQuit = true;
                quitProgram = true;
                break;
            case SDL_USEREVENT:
                if (event.user.code == SkipCode)
                    m_capture.skip();
                else if (event.user.code == PreviousCode)
                    m_capture.previous();
                break;
            default:
                break;
            }
        }
        pause(CAPTURE_PAUSE_MS);
        m_capture.settle(SDL_GetTicks());
    }

    if (m_capture.isComplete()) {
        CapturedBindings captured;
        SDL_memcpy(captured.bindings, m_capture.bindings(), sizeof captured.bindings);
        m_capture.end();
        m_capture.clearHighlight();
        emit mappingReady(captured);
    }
    m_capture.end();
    if (quitProgram)
        requestApplicationQuit();
}
