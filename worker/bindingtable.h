#ifndef BINDINGTABLE_H
#define BINDINGTABLE_H
// The 31 controls of the mapping wizard: one row per control, with its highlight picture and position,
// and what the control is: its kind and the SDL game-controller button or axis it stands for.
// A row number (0 to 30) names a control everywhere: wizard step, binding slot, overlay, signal index.
// Rows 0 to 24 are the standard controls every wizard asks for; rows 25 to 30 the extra ones (share,
// four back paddles, touchpad click), asked for only when the user says the pad has them.

#include <SDL.h>

enum { STANDARD_ROWS = 25, BINDING_ROWS = 31 };

// What a row's control is; the capture rules, the binding fields and the live highlights go by it.
enum class RowKind {
    Button,    // control is an SDL_GameControllerButton
    Dpad,      // a d-pad direction; control is an SDL_GameControllerButton
    StickHalf, // one direction of a stick; control is an SDL_GameControllerAxis, direction -1 or +1
    Trigger,   // control is an SDL_GameControllerAxis
};

struct BindingRow {
    int id;            // the row's own number; always equals its position
    const char* image; // Qt resource path of the highlight picture, without ".png"
    int x, y;          // top-left corner of the highlight on the 550x360 base picture
    RowKind kind;
    int control;             // an SDL_GameControllerButton or SDL_GameControllerAxis, by kind
    int direction;           // StickHalf: -1 for the negative half, +1 for the positive; otherwise 0
    const char* description; // what the user is asked to press, e.g. "Y (top face button)"
};

extern const BindingRow bindingTable[BINDING_ROWS];

// For each wizard step, the binding slot that the step fills (the identity).
extern const int bindingSlotOrder[BINDING_ROWS];

// Rows whose control is an axis (stick halves and triggers).
inline bool isAxisRow(int row)
{
    return bindingTable[row].kind == RowKind::StickHalf || bindingTable[row].kind == RowKind::Trigger;
}

// The row of an SDL_GameControllerButton, or -1 when no row has it.
int bindingRowOfButton(int button);
// The row of an SDL_GameControllerAxis in direction (-1 or +1 for a stick half, 0 for a trigger), or -1.
int bindingRowOfAxis(int axis, int direction);

#endif
