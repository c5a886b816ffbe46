#ifndef PADROSTER_H
#define PADROSTER_H
// The gamepads as the list shows them, and the one the user picked, held open. SDL renumbers its
// devices on hot-plug, so each entry keeps its pad's device index and instance id, and the selection
// follows the pad, not its row, across rebuilds.

#include "padrelatives.h"
#include "portablemapping.h"
#include "sdllinecheck.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <SDL.h>

// One entry of the list.
class MappingStore;

struct PadEntry {
    QString text;    // "<name> (mapping available)" or "<name> " (the list's own text)
    int deviceIndex; // SDL's device index when the list was built
    SDL_JoystickID instanceId;
};

class PadRoster : public QObject
{
    Q_OBJECT
public:
    // The pads' own lines and their relatives are looked up in store's sources (store must outlive the
    // roster); without a store, the sources are empty and every line is SDL's.
    explicit PadRoster(const MappingStore* store = nullptr, QObject* parent = nullptr);
    // Closes the held game controller.
    ~PadRoster() override;

    // Lists SDL's devices again (logging each), then selects: the entry of keepInstance when it is
    // still present, otherwise the entry at the position selected before; when that is gone too, no
    // entry (the first entry's pad stays held), or the first entry when keepInstance was given. A
    // device that cannot be opened is logged and left out. The held pad is looked up as select() does.
    // Emits selected(), then rebuilt() at the end.
    void rebuild(SDL_JoystickID keepInstance = -1);

    const QList<PadEntry>& entries() const { return m_entries; }
    // The selected entry, or -1 for none.
    int currentIndex() const { return m_iCurrent; }
    // Opens the pad of entry index (the user picked it); a negative index changes nothing. Looks up its
    // own line and its relatives in the sources and logs what SDL applies to it compared with its own
    // line (SdlLineCheck::logText) and how many relatives it has. Emits selected().
    void select(int index);
    // Opens the held pad again, so that its game controller follows what SDL applies to it now (a line
    // being tried); its own line and relatives stay as selection found them. Emits selected().
    void reopen();

    // The instance id of the selected entry, or -1 when none is selected.
    SDL_JoystickID selectedInstance() const;
    // Whether an entry lists the pad with this instance id.
    bool lists(SDL_JoystickID instance) const;
    // True when SDL's devices are no longer the ones listed (a capture swallows the hot-plug events).
    bool isStale() const;

    // The held pad; null when none is. The controller is null when SDL knows no mapping for it.
    SDL_Joystick* joystick() const { return m_pJoystick; }
    SDL_GameController* controller() const { return m_pGameController; }
    // Whether SDL mapped a control of the held pad when it was opened (sdlMapsDevice).
    bool selectedIsMapped() const { return m_bMapped; }
    // The SDL device index of the held pad now (SDL renumbers on hot-plug); -1 when none is held.
    int selectedDeviceIndex() const;
    // The held pad as its lines name it (portable GUID, CRCs); SDL's all-zero GUID when none is held.
    PadIdentity selectedPad() const;
    // The name in the held pad's line (mappingLine()); "" without one.
    QByteArray lineName() const;
    // The held pad's own line in the portable form, from the sources by the pad's identity (or SDL's line
    // when no source has one: SdlLineCheck::padLine), as selection found it: what the copy, environment
    // and Steam commands hand out and a single-control fix starts from. Never another pad's line, even
    // when SDL applies one to this pad: then, without a line of its own, empty. Empty when none is held.
    QByteArray mappingLine() const { return m_check.padLine; }
    // What SDL applies to the held pad compared with its own line, and its relatives, as selection found
    // them.
    const SdlLineCheck& lineCheck() const { return m_check; }
    const QList<PadRelative>& relatives() const { return m_relatives; }
    // How many devices SDL reported at the last rebuild (an entry fewer for each that failed to open).
    int devicesFound() const { return m_iDevices; }
    // "Found <n> gamepad(s)" or "No gamepads found", as the last rebuild found them.
    QString statusText() const { return m_sStatus; }

signals:
    // One user-visible line for the log, as the window writes it.
    void logged(const QString& line);
    // The entries and the selection are new.
    void rebuilt();
    // The held pad may have changed.
    void selected();

private:
    // Opens the pad of entry index and holds it; false when SDL has no devices.
    bool hold(int index);
    // Looks the held pad up in the sources and logs what was found.
    void inspect();
    void closeGamepad();
    void log(const char* text);

    const MappingStore* m_pStore;
    QList<PadEntry> m_entries;
    int m_iCurrent = -1;
    SDL_Joystick* m_pJoystick = nullptr;
    SDL_GameController* m_pGameController = nullptr;
    bool m_bMapped = false;
    int m_iDevices = 0;
    QString m_sStatus;
    SdlLineCheck m_check;
    QList<PadRelative> m_relatives;
};

#endif
