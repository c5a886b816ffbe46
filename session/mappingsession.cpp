#include "mappingsession.h"

#include "bindingfields.h"
#include "dialogs.h"
#include "gamepadname.h"
#include "logformat.h"
#include "padroster.h"
#include "sdlpollevent.h"

#include <QDebug>
#include <QThread>

namespace
{
const char* const kIntroduction =
    "Press the buttons on your gamepad when indicated (Your gamepad may look different than the "
    "picture). If you want to correct a mistake, click 'Previous' button. To skip a button, click "
    "'Skip' button. To exit mapping mode, click 'Cancel' button";
const char* const kExtrasOption = "My gamepad has extra buttons (share, back paddles, touchpad)";
} // namespace

MappingSession::MappingSession(PadRoster& roster, MappingStore& store, Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_roster(roster), m_store(store), m_dialogs(dialogs), m_pThread(new QThread),
      m_pWorker(new SDLPollEvent)
{
    m_pWorker->runOn(m_pThread);
    connect(m_pWorker, &SDLPollEvent::buttonPressed, this, &MappingSession::highlight);
    connect(m_pWorker, &SDLPollEvent::mappingReady, this, &MappingSession::captured);
    connect(m_pWorker, &SDLPollEvent::joystickAdded, this, &MappingSession::padAdded);
    connect(m_pWorker, &SDLPollEvent::joystickRemoved, this, &MappingSession::padRemoved);
}

MappingSession::~MappingSession()
{
    m_pWorker->stop();
    qDebug() << "Deleting thread and worker in Thread " << QThread::currentThreadId();
    delete m_pThread;
    delete m_pWorker;
}

void MappingSession::log(const char* text)
{
    emit logged(QString::fromUtf8(text));
}

void MappingSession::start()
{
    enter(Mode::Idle);
}

void MappingSession::enter(Mode mode)
{
    m_mode = mode;
    emit modeChanged(mode);
    restartWorker();
}

void MappingSession::restartWorker()
{
    SDL_Joystick* joystick = m_roster.joystick();
    const SDL_JoystickID id = joystick ? SDL_JoystickInstanceID(joystick) : -1;
    if (m_mode == Mode::Recapture)
        m_pWorker->restartSingle(id, m_iRecaptureRow, m_recaptureBindings);
    else
        m_pWorker->restart(m_mode == Mode::Idle ? SDLPollEvent::NormalMode : SDLPollEvent::MappingMode, id,
                           m_iWizardRows);
}

void MappingSession::startWizard()
{
    // Opt-in: without the tick the wizard and its mapping stay the 25 standard controls.
    const bool extras = m_dialogs.tell(QString::fromUtf8(kIntroduction), QString::fromUtf8(kExtrasOption));
    beginWizard(extras ? int(BINDING_ROWS) : int(STANDARD_ROWS));
}

void MappingSession::beginWizard(int rows)
{
    m_iWizardRows = rows;
    enter(Mode::Wizard);
}

bool MappingSession::startRecapture(int row)
{
    if (m_mode != Mode::Idle || row < 0 || row >= BINDING_ROWS || !m_roster.controller() ||
        !m_roster.joystick())
        return false;
    if (!MappingLine::parse(m_roster.mappingLine(), &m_recapture))
        return false;
    m_recaptureKept.clear();
    parseBindingFields(m_recapture.bindings, m_recaptureBindings, &m_recaptureKept);
    log(formatText("Capturing \"%s\" again: press the new input, Skip to clear it, Cancel to keep the "
                   "mapping as it is",
                   bindingTable[row].description));
    m_iRecaptureRow = row;
    enter(Mode::Recapture);
    return true;
}

void MappingSession::skip()
{
    SDLPollEvent::pushSkip();
}

void MappingSession::previous()
{
    SDLPollEvent::pushPrevious();
}

void MappingSession::cancel()
{
    enter(Mode::Idle);
    if (m_roster.isStale())
        applyMappingChanges();
}

void MappingSession::applyMappingChanges()
{
    m_pWorker->stop();
    // The selection follows the pad, not its row: pads plugged in or out meanwhile move the rows.
    m_roster.rebuild(m_roster.selectedInstance());
    enter(m_mode);
}

void MappingSession::highlight(int row, bool lit)
{
    if (row < 0 || row >= BINDING_ROWS)
        return;
    emit rowLit(row, lit);
    // The capture lights each step's row as it reaches it, on every move forward, Skip and Previous.
    if (!lit || m_mode == Mode::Idle)
        return;
    const char* status =
        m_mode == Mode::Recapture
            ? formatText("Capturing again: %s", bindingTable[row].description)
            : formatText("Step %d of %d: %s", row + 1, m_iWizardRows, bindingTable[row].description);
    emit stepChanged(row, QString::fromUtf8(status));
}

void MappingSession::padAdded(int deviceIndex)
{
    // SDL also reports the devices present at start; only a device the list lacks changes it.
    if (m_mode != Mode::Idle || m_roster.lists(SDL_JoystickGetDeviceInstanceID(deviceIndex)))
        return;
    applyMappingChanges();
}

void MappingSession::padRemoved(int instance)
{
    if (m_mode != Mode::Idle) {
        // Other pads wait for the end of the capture; without its own pad the capture has nothing to do.
        if (instance == m_roster.selectedInstance())
            abandon();
        return;
    }
    // SDL renumbers its devices after a removal, so the entries must be rebuilt to stay true.
    if (m_roster.lists(instance))
        applyMappingChanges();
}

void MappingSession::abandon()
{
    // Idle first: hot-plug and the signals that end the program work again while the message shows.
    enter(Mode::Idle);
    applyMappingChanges();
    const char* text = "The gamepad was unplugged: the new mapping was not finished";
    log(text);
    m_dialogs.tell(QString::fromUtf8(text));
}

void MappingSession::captured(const CapturedBindings& capture)
{
    // A capture that finished as it was cancelled is not wanted any more.
    if (m_mode == Mode::Idle)
        return;
    const bool fix = m_mode == Mode::Recapture;
    enter(Mode::Idle);
    // The capture swallowed hot-plug: the list must show what is plugged in before it is acted on.
    if (m_roster.isStale())
        applyMappingChanges();
    if (!fix) {
        storeNewMapping(capture.bindings);
        return;
    }
    if (!m_roster.joystick())
        return;
    const PadIdentity pad = m_roster.selectedPad();
    storeLine(finalLine(m_recapture, capture.bindings, m_recaptureKept, pad), pad);
}

void MappingSession::storeNewMapping(const CapturedInput bindings[BINDING_ROWS])
{
    const char* sdlName = nullptr;
    if (m_roster.controller())
        sdlName = SDL_GameControllerName(m_roster.controller());
    else if (m_roster.joystick())
        sdlName = SDL_JoystickName(m_roster.joystick());
    else {
        log("No gamepad is selected any more: the new mapping was not saved");
        return;
    }
    // Taken before the dialog: hot-plug may rebuild the list while it is open.
    const PadIdentity pad = m_roster.selectedPad();
    QString typed = suggestedGamepadName(sdlName);
    QString name;
    for (;;) {
        const std::optional<QString> answer = m_dialogs.name(typed);
        if (!answer)
            return;
        typed = *answer;
        QString why;
        if (acceptGamepadName(typed, &name, &why))
            break;
        m_dialogs.tell(why);
    }
    storeLine(finalLine(MappingLine::forPad(pad.guid, pad.crc, name.toUtf8(), {}), bindings, {}, pad), pad);
}

QByteArray MappingSession::finalLine(MappingLine base, const CapturedInput bindings[BINDING_ROWS],
                                     const QList<QByteArray>& kept, const PadIdentity& pad)
{
    base.crc = pad.crc;
    // A line as the capture makes it is for this platform, whatever SDL's text for the pad said.
    if (base.platform.isEmpty())
        base.platform = SDL_GetPlatform();
    base.bindings = bindingFields(bindings) + kept;
    return base.text();
}

void MappingSession::storeLine(const QByteArray& line, const PadIdentity& pad)
{
    emit stored(m_store.store(line, pad));
    applyMappingChanges();
}
