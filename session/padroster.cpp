#include "padroster.h"

#include "logformat.h"
#include "mappingline.h"
#include "mappingstore.h"
#include "padidentity.h"

namespace
{
const char* const kNoGamepads = "No gamepads found";
} // namespace

PadRoster::PadRoster(const MappingStore* store, QObject* parent) : QObject(parent), m_pStore(store) {}

PadRoster::~PadRoster()
{
    closeGamepad();
}

void PadRoster::log(const char* text)
{
    emit logged(QString::fromUtf8(text));
}

void PadRoster::rebuild(SDL_JoystickID keepInstance)
{
    closeGamepad();
    const int remembered = m_iCurrent < 0 ? 0 : m_iCurrent;
    m_entries.clear();
    m_iCurrent = -1;
    m_check = SdlLineCheck();
    m_relatives.clear();
    log("Searching gamepads...");

    const int count = SDL_NumJoysticks();
    m_iDevices = count > 0 ? count : 0;
    if (count <= 0) {
        log(kNoGamepads);
        m_sStatus = QString::fromUtf8(kNoGamepads);
        emit rebuilt();
        return;
    }

    log(formatText("Found %i gamepad(s):", count));
    m_sStatus = QString::fromUtf8(formatText("Found %i gamepad(s)", count));
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        SDL_Joystick* joystick = SDL_JoystickOpen(i);
        if (!joystick) {
            log(formatText("Error: can't open gamepad[%d] (%s)", i, SDL_GetError()));
            continue;
        }
        const QByteArray guidText = joystickIdentity(joystick).guid;
        const char* joystickName = SDL_JoystickName(joystick);
        QString name = QString::fromUtf8(joystickName ? joystickName : "");
        QString text;
        if (sdlMapsDevice(i)) {
            SDL_GameController* controller = SDL_GameControllerOpen(i);
            if (controller) {
                const char* controllerName = SDL_GameControllerName(controller);
                name = QString::fromUtf8(controllerName ? controllerName : "");
                const QByteArray utf8 = name.toUtf8();
                log(formatText("\"%s\", %s (mapping available)", utf8.constData(), guidText.constData()));
                SDL_GameControllerClose(controller);
            } else {
                log(formatText("Error: can't open gamepad[%d] (%s)", i, SDL_GetError()));
            }
            text = name + " (mapping available)";
        } else {
            const QByteArray utf8 = name.toUtf8();
            log(formatText("\"%s\", %s", utf8.constData(), guidText.constData()));
            text = name + " ";
        }
        // The device index travels with the entry: once a device fails to open, positions and SDL's
        // indexes no longer agree.
        m_entries.append({text, i, SDL_JoystickInstanceID(joystick)});
        SDL_JoystickClose(joystick);
    }
    if (m_entries.isEmpty()) {
        emit rebuilt();
        return;
    }
    // The first entry is held at once, as a list selects its first entry when it fills.
    hold(0);

    int target = remembered;
    if (keepInstance >= 0) {
        for (int i = 0; i < m_entries.size(); ++i)
            if (m_entries.at(i).instanceId == keepInstance)
                target = i;
    }
    // A rebuild for changed mappings may end with no current entry. When a hot-plug rebuild has lost the
    // selected pad and its position with it, the first entry, whose device is held already, stays current:
    // a list showing no pad while the commands work on one would mislead.
    if (target >= m_entries.size())
        target = keepInstance >= 0 ? 0 : -1;
    if (target > 0)
        hold(target);
    else
        m_iCurrent = target;
    if (m_pJoystick) {
        inspect();
        emit selected();
    }
    emit rebuilt();
}

void PadRoster::select(int index)
{
    if (index < 0 || index >= m_entries.size())
        return;
    m_check = SdlLineCheck();
    m_relatives.clear();
    if (!hold(index))
        return;
    inspect();
    emit selected();
}

void PadRoster::reopen()
{
    if (m_iCurrent >= 0 && hold(m_iCurrent))
        emit selected();
}

bool PadRoster::hold(int index)
{
    m_iCurrent = index;
    closeGamepad();
    if (SDL_NumJoysticks() <= 0)
        return false;
    int deviceIndex = m_entries.at(index).deviceIndex;
    // The entry's pad may have moved since the list was built (SDL renumbers on hot-plug).
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == m_entries.at(index).instanceId)
            deviceIndex = i;
    m_pJoystick = SDL_JoystickOpen(deviceIndex);
    // A pad whose tried line was discarded is a game controller for SDL without a control: not mapped.
    m_bMapped = sdlMapsDevice(deviceIndex);
    if (m_bMapped)
        m_pGameController = SDL_GameControllerOpen(deviceIndex);
    return true;
}

void PadRoster::inspect()
{
    const int deviceIndex = selectedDeviceIndex();
    if (deviceIndex < 0)
        return;
    const QList<SourcedLine> sources = m_pStore ? m_pStore->sources() : QList<SourcedLine>();
    const PadIdentity pad = selectedPad();
    // Lines are matched against the device's own name, whatever name a line gives it.
    const char* name = SDL_JoystickName(m_pJoystick);
    const QByteArray padName(name ? name : "");
    m_check = checkSdlLine(pad, padName, sdlLineForDevice(deviceIndex), sources);
    m_relatives = findRelatives(pad, padName, sources);
    if (!m_check.logText.isEmpty())
        emit logged(m_check.logText);
    emit logged(relativesLogText(padName, int(m_relatives.size())));
}

void PadRoster::closeGamepad()
{
    if (m_pGameController) {
        SDL_GameControllerClose(m_pGameController);
        m_pGameController = nullptr;
    }
    // The joystick stays open in SDL: SDL counts opens, and a later selection gets the same handle.
    m_pJoystick = nullptr;
}

SDL_JoystickID PadRoster::selectedInstance() const
{
    return m_iCurrent >= 0 ? m_entries.at(m_iCurrent).instanceId : -1;
}

bool PadRoster::lists(SDL_JoystickID instance) const
{
    for (const PadEntry& entry : m_entries)
        if (entry.instanceId == instance)
            return true;
    return false;
}

bool PadRoster::isStale() const
{
    int present = 0;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (!lists(SDL_JoystickGetDeviceInstanceID(i)))
            return true;
        ++present;
    }
    return present != m_entries.size();
}

PadIdentity PadRoster::selectedPad() const
{
    return joystickIdentity(m_pJoystick);
}

int PadRoster::selectedDeviceIndex() const
{
    if (!m_pJoystick)
        return -1;
    const SDL_JoystickID instance = SDL_JoystickInstanceID(m_pJoystick);
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == instance)
            return i;
    return -1;
}

QByteArray PadRoster::lineName() const
{
    MappingLine line;
    return MappingLine::parse(mappingLine(), &line) ? line.name : QByteArray();
}
