#ifndef PADROSTER_H
#define PADROSTER_H
// The gamepads as the list shows them, and the one the user picked, held open. SDL renumbers its
// devices on hot-plug, so each entry keeps its pad's device index and instance id, and the selection
// follows the pad, not its row, across rebuilds.

#include "portablemapping.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <SDL.h>

// One entry of the list.
struct PadEntry {
    QString text;    // "<name> (mapping available)" or "<name> " (the list's own text)
    int deviceIndex; // SDL's device index when the list was built
    SDL_JoystickID instanceId;
};

class PadRoster : public QObject
{
    Q_OBJECT
public:
    explicit PadRoster(QObject* parent = nullptr);
    // Closes the held game controller.
    ~PadRoster() override;

    // Lists SDL's devices again (logging each), then selects: the entry of keepInstance when it is
    // still present, otherwise the entry at the position selected before; when that is gone too, no
    // entry (the first entry's pad stays held), or the first entry when keepInstance was given. A
    // device that cannot be opened is logged and left out. Emits rebuilt() at the end.
    void rebuild(SDL_JoystickID keepInstance = -1);

    const QList<PadEntry>& entries() const { return m_entries; }
    // The selected entry, or -1 for none.
    int currentIndex() const { return m_iCurrent; }
    // Opens the pad of entry index (the user picked it); a negative index changes nothing. Emits
    // selected().
    void select(int index);

    // The instance id of the selected entry, or -1 when none is selected.
    SDL_JoystickID selectedInstance() const;
    // Whether an entry lists the pad with this instance id.
    bool lists(SDL_JoystickID instance) const;
    // True when SDL's devices are no longer the ones listed (a capture swallows the hot-plug events).
    bool isStale() const;

    // The held pad; null when none is. The controller is null when SDL knows no mapping for it.
    SDL_Joystick* joystick() const { return m_pJoystick; }
    SDL_GameController* controller() const { return m_pGameController; }
    // Whether SDL said it knows a mapping for the held pad when it was selected.
    bool selectedIsMapped() const { return m_bMapped; }
    // The held pad as its lines name it (portable GUID, CRCs); SDL's all-zero GUID when none is held.
    PadIdentity selectedPad() const;
    // The name SDL gives the held pad's controller; "" without one.
    QByteArray controllerName() const;
    // SDL's mapping line for the held controller in the portable form: what the copy and environment
    // commands hand out. Empty without a controller.
    QByteArray mappingLine() const;
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
    void closeGamepad();
    void log(const char* text);

    QList<PadEntry> m_entries;
    int m_iCurrent = -1;
    SDL_Joystick* m_pJoystick = nullptr;
    SDL_GameController* m_pGameController = nullptr;
    bool m_bMapped = false;
    int m_iDevices = 0;
    QString m_sStatus;
};

#endif
