#ifndef VIRTUALPAD_H
#define VIRTUALPAD_H
// A gamepad made of SDL's virtual joystick driver, for tests and benchmarks: attach it with a name,
// ids and counts, set its axes, buttons and hats, detach it while the program runs.
// SDL must have been initialised with its joystick subsystem. State changes reach SDL's event queue
// at the next SDL_PumpEvents/SDL_PollEvent, as real hardware would.

#include <QByteArray>
#include <SDL.h>
#include <utility>
#include <vector>

class VirtualPad
{
public:
    struct Layout {
        const char* name = "Stickwell Test Pad";
        Uint16 vendor = 0x1209;
        Uint16 product = 0x5701;
        int axes = 6;
        int buttons = 15;
        int hats = 1;
        // SDL makes up a mapping for a virtual pad of the game-controller type; false gives a plain
        // joystick that SDL knows no mapping for, like a pad games do not recognise.
        bool gameController = true;
        // Axes that rest away from 0 (triggers at -32768): SDL reports these as their initial state.
        std::vector<std::pair<int, Sint16>> restingAxes;
    };

    VirtualPad();
    explicit VirtualPad(const Layout& layout);
    ~VirtualPad(); // detaches if still attached

    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    // Attaches the pad (and opens a handle of its own, needed to set its state). Returns false on failure.
    bool attach();
    // Detaches the pad; SDL then reports its removal.
    void detach();
    bool isAttached() const { return m_pJoystick != nullptr; }

    // The SDL device index it had when attached (it may change as other devices come and go),
    // its instance id, and its GUID text (32 hex digits).
    int deviceIndex() const;
    SDL_JoystickID instanceId() const;
    QByteArray guidText() const;
    // The GUID text as older SDL versions and the community database write it (digits 5-8 "0000"),
    // and the name checksum SDL 2.26+ keeps there, as a mapping field ("crc:322b" for digits "2b32").
    QByteArray portableGuidText() const;
    QByteArray crcField() const;
    SDL_Joystick* joystick() const { return m_pJoystick; }

    void setAxis(int axis, Sint16 value);
    void setButton(int button, bool pressed);
    void setHat(int hat, Uint8 value);
    // Press and release; the release follows in a later SDL update, so both events are reported.
    void pressButton(int button);

private:
    Layout m_layout;
    SDL_Joystick* m_pJoystick = nullptr;
    SDL_JoystickID m_instanceId = -1;
};

#endif
