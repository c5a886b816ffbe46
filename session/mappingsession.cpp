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
        m_pWorker->restart(m_mode == Mode::Wizard ? SDLPollEvent::MappingMode : SDLPollEvent::NormalMode, id,
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
    const bool trying = m_mode == Mode::Trial;
    if ((m_mode != Mode::Idle && !trying) || row < 0 || row >= BINDING_ROWS || !m_roster.joystick())
        return false;
    if (!MappingLine::parse(trying ? m_trial.triedLine() : m_roster.mappingLine(), &m_recapture)) {
        // SDL may apply another pad's line to it: that one is not this pad's to change.
        if (m_roster.selectedIsMapped())
            log("This gamepad has no mapping of its own to fix: create a new mapping for it");
        return false;
    }
    m_recaptureKept.clear();
    parseBindingFields(m_recapture.bindings, m_recaptureBindings, &m_recaptureKept);
    log(formatText("Capturing \"%s\" again: press the new input, Skip to clear it, Cancel to keep the "
                   "mapping as it is",
                   bindingTable[row].description));
    m_iRecaptureRow = row;
    m_bFixingTrial = trying;
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
    if (m_mode == Mode::Trial) {
        discardTrial();
        return;
    }
    if (m_mode == Mode::Recapture && m_bFixingTrial) {
        enter(Mode::Trial);
        return;
    }
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
    if (!lit || (m_mode != Mode::Wizard && m_mode != Mode::Recapture))
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
    const bool trying = m_trial.isActive();
    if (trying)
        m_trial.discard();
    // Idle first: hot-plug and the signals that end the program work again while the message shows.
    enter(Mode::Idle);
    applyMappingChanges();
    const char* text = trying ? "The gamepad was unplugged: the mapping being tried was discarded"
                              : "The gamepad was unplugged: the new mapping was not finished";
    log(text);
    m_dialogs.tell(QString::fromUtf8(text));
}

void MappingSession::captured(const CapturedBindings& capture)
{
    // A capture that finished as it was cancelled is not wanted any more.
    if (m_mode != Mode::Wizard && m_mode != Mode::Recapture)
        return;
    const bool fix = m_mode == Mode::Recapture;
    if (fix && m_bFixingTrial) {
        fixTrial(capture.bindings);
        return;
    }
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
    if (!m_roster.joystick()) {
        log("No gamepad is selected any more: the new mapping was not saved");
        return;
    }
    // The name of the pad's own line, not of another pad's that SDL may apply to it.
    const QByteArray lineName = m_roster.lineName();
    const char* sdlName = lineName.isEmpty() ? SDL_JoystickName(m_roster.joystick()) : lineName.constData();
    // Taken before the dialog: hot-plug may rebuild the list while it is open.
    const PadIdentity pad = m_roster.selectedPad();
    const std::optional<QString> name = askName(sdlName);
    if (!name)
        return;
    storeLine(finalLine(MappingLine::forPad(pad.guid, pad.crc, name->toUtf8(), {}), bindings, {}, pad), pad);
}

std::optional<QString> MappingSession::askName(const char* suggested)
{
    QString typed = suggestedGamepadName(suggested);
    for (;;) {
        const std::optional<QString> answer = m_dialogs.name(typed);
        if (!answer)
            return answer;
        typed = *answer;
        QString name;
        QString why;
        if (acceptGamepadName(typed, &name, &why))
            return name;
        m_dialogs.tell(why);
    }
}

bool MappingSession::tryRelative(int index)
{
    const QList<PadRelative> relatives = m_roster.relatives();
    if (m_mode != Mode::Idle || index < 0 || index >= relatives.size() || !m_roster.joystick())
        return false;
    const PadRelative relative = relatives.at(index);
    // SDL's lines change under the worker's feet otherwise.
    m_pWorker->stop();
    QString why;
    if (!m_trial.start(m_roster.selectedDeviceIndex(), m_roster.selectedPad(), relative.source.line, &why)) {
        enter(Mode::Idle);
        const QByteArray reason = why.toUtf8();
        const char* text = formatText("Error: can't try that mapping: %s", reason.constData());
        log(text);
        m_dialogs.tell(QString::fromUtf8(text));
        return false;
    }
    MappingLine tried;
    MappingLine::parse(m_trial.triedLine(), &tried);
    const QString origin = mappingOriginLabel(relative.source.origin);
    log(formatText("Trying the mapping of \"%s\" (%s, from the %s) for this run only: nothing is saved "
                   "until you keep it",
                   tried.name.constData(), relative.description().toUtf8().constData(),
                   origin.toUtf8().constData()));
    m_sTrialStatus =
        QStringLiteral("Trying \"%1\" (%2): press the controls to check it, click one to fix it, "
                       "then Keep or Discard")
            .arg(QString::fromUtf8(tried.name), relative.description());
    // Its game controller is opened with the tried line, so that the picture lights through it.
    m_roster.reopen();
    enter(Mode::Trial);
    return true;
}

void MappingSession::fixTrial(const CapturedInput bindings[BINDING_ROWS])
{
    const QByteArray line = finalLine(m_recapture, bindings, m_recaptureKept, m_roster.selectedPad());
    QString why;
    if (m_trial.change(line, &why)) {
        log("The mapping being tried was changed: nothing is saved until you keep it");
    } else {
        const QByteArray reason = why.toUtf8();
        log(formatText("Error: the mapping being tried was not changed: %s", reason.constData()));
    }
    enter(Mode::Trial);
}

void MappingSession::keepTrial()
{
    if (m_mode != Mode::Trial)
        return;
    MappingLine line;
    MappingLine::parse(m_trial.triedLine(), &line);
    const PadIdentity pad = m_roster.selectedPad();
    const std::optional<QString> name = askName(line.name.constData());
    // The pad may have gone while the dialog was open, and the trial with it.
    if (!name || m_mode != Mode::Trial)
        return;
    m_trial.keep();
    line.name = name->toUtf8();
    m_mode = Mode::Idle;
    storeLine(line.text(), pad);
}

void MappingSession::discardTrial()
{
    if (m_mode != Mode::Trial)
        return;
    QString why;
    if (!m_trial.discard(&why)) {
        const QByteArray reason = why.toUtf8();
        const char* text = formatText("Error: can't discard the mapping being tried: %s", reason.constData());
        log(text);
        m_dialogs.tell(QString::fromUtf8(text));
        return;
    }
    log("The mapping being tried was discarded: the gamepad is as it was before");
    m_mode = Mode::Idle;
    applyMappingChanges();
}

bool MappingSession::keepSdlLine()
{
    MappingLine line;
    if (m_mode != Mode::Idle || m_roster.lineCheck().state != SdlLineCheck::SdlOnly || !m_roster.joystick() ||
        !MappingLine::parse(m_roster.lineCheck().padLine, &line))
        return false;
    const PadIdentity pad = m_roster.selectedPad();
    const std::optional<QString> name = askName(line.name.constData());
    if (!name)
        return false;
    line.name = name->toUtf8();
    storeLine(line.text(), pad);
    return true;
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
