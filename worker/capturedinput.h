#ifndef CAPTUREDINPUT_H
#define CAPTUREDINPUT_H
// One raw joystick input as the capture records it, and the quantisation of axis positions.

#include <SDL.h>

// The kind of a captured input; INPUT_NONE marks an empty (skipped) slot.
enum InputType { INPUT_NONE = 0, INPUT_BUTTON = 1, INPUT_AXIS = 2, INPUT_HAT = 3 };

// A raw input of the joystick and, in a binding slot, one binding. Fields a kind does not use stay 0,
// because button and hat inputs are compared field by field.
struct CapturedInput {
    Sint32 type;     // an InputType
    Sint32 index;    // button, axis or hat number as SDL's joystick events report it
    Sint32 value;    // hat position bits; an axis's quantised rest position; 0 for a button
    Sint32 extreme;  // an axis's quantised furthest position during the step; else 0
    Sint32 complete; // 1 once the input is finished (button, hat, axis back near rest)
};

// Quantises a raw 16-bit axis reading to 32767 (v >= 16384), -32768 (v <= -16385) or 0.
inline int quantizeAxis(int v)
{
    if (v >= 16384)
        return 32767;
    if (v <= -16385)
        return -32768;
    return 0;
}

#endif
