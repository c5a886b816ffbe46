#include "bindingtable.h"

const BindingRow bindingTable[BINDING_ROWS] = {
    {0, ":/PadSetup-Button-3", 402, 193, RowKind::Button, SDL_CONTROLLER_BUTTON_A, 0,
     "A (bottom face button)"},
    {1, ":/PadSetup-Button-2", 445, 157, RowKind::Button, SDL_CONTROLLER_BUTTON_B, 0,
     "B (right face button)"},
    {2, ":/PadSetup-Button-4", 363, 161, RowKind::Button, SDL_CONTROLLER_BUTTON_X, 0, "X (left face button)"},
    {3, ":/PadSetup-Button-1", 407, 126, RowKind::Button, SDL_CONTROLLER_BUTTON_Y, 0, "Y (top face button)"},
    {4, ":/PadSetup-Select", 204, 169, RowKind::Button, SDL_CONTROLLER_BUTTON_BACK, 0, "Back (select)"},
    {5, ":/PadSetup-X", 246, 156, RowKind::Button, SDL_CONTROLLER_BUTTON_GUIDE, 0, "Guide (centre button)"},
    {6, ":/PadSetup-Start", 312, 169, RowKind::Button, SDL_CONTROLLER_BUTTON_START, 0, "Start"},
    {7, ":/PadSetup-Stick-Left", 82, 163, RowKind::Button, SDL_CONTROLLER_BUTTON_LEFTSTICK, 0,
     "Left stick press"},
    {8, ":/PadSetup-Stick-Right", 308, 238, RowKind::Button, SDL_CONTROLLER_BUTTON_RIGHTSTICK, 0,
     "Right stick press"},
    {9, ":/PadSetup-Shift-Left", 70, 66, RowKind::Button, SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 0,
     "Left shoulder"},
    {10, ":/PadSetup-Shift-Right", 379, 66, RowKind::Button, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 0,
     "Right shoulder"},
    {11, ":/PadSetup-Dpad-Up", 181, 227, RowKind::Dpad, SDL_CONTROLLER_BUTTON_DPAD_UP, 0, "D-pad up"},
    {12, ":/PadSetup-Dpad-Down", 182, 262, RowKind::Dpad, SDL_CONTROLLER_BUTTON_DPAD_DOWN, 0, "D-pad down"},
    {13, ":/PadSetup-Dpad-Left", 158, 247, RowKind::Dpad, SDL_CONTROLLER_BUTTON_DPAD_LEFT, 0, "D-pad left"},
    {14, ":/PadSetup-Dpad-Right", 197, 247, RowKind::Dpad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 0,
     "D-pad right"},
    {15, ":/PadSetup-Arrow-Left", 48, 178, RowKind::StickHalf, SDL_CONTROLLER_AXIS_LEFTX, -1,
     "Left stick left"},
    {16, ":/PadSetup-Arrow-Right", 134, 178, RowKind::StickHalf, SDL_CONTROLLER_AXIS_LEFTX, +1,
     "Left stick right"},
    {17, ":/PadSetup-Arrow-Up", 98, 130, RowKind::StickHalf, SDL_CONTROLLER_AXIS_LEFTY, -1, "Left stick up"},
    {18, ":/PadSetup-Arrow-Down", 98, 212, RowKind::StickHalf, SDL_CONTROLLER_AXIS_LEFTY, +1,
     "Left stick down"},
    {19, ":/PadSetup-Arrow-Left", 273, 252, RowKind::StickHalf, SDL_CONTROLLER_AXIS_RIGHTX, -1,
     "Right stick left"},
    {20, ":/PadSetup-Arrow-Right", 359, 252, RowKind::StickHalf, SDL_CONTROLLER_AXIS_RIGHTX, +1,
     "Right stick right"},
    {21, ":/PadSetup-Arrow-Up", 322, 208, RowKind::StickHalf, SDL_CONTROLLER_AXIS_RIGHTY, -1,
     "Right stick up"},
    {22, ":/PadSetup-Arrow-Down", 322, 286, RowKind::StickHalf, SDL_CONTROLLER_AXIS_RIGHTY, +1,
     "Right stick down"},
    {23, ":/PadSetup-Trigger-Left", 115, 25, RowKind::Trigger, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 0,
     "Left trigger"},
    {24, ":/PadSetup-Trigger-Right", 392, 25, RowKind::Trigger, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0,
     "Right trigger"},
    // SDL numbers the paddles of the Xbox Elite pad: paddle1 is its P1 (upper, under the right hand),
    // paddle2 its P3 (upper left), paddle3 its P2 (lower right), paddle4 its P4 (lower left).
    {25, ":/PadSetup-Share", 262, 203, RowKind::Button, SDL_CONTROLLER_BUTTON_MISC1, 0,
     "Share (capture button)"},
    {26, ":/PadSetup-Paddle-1", 486, 222, RowKind::Button, SDL_CONTROLLER_BUTTON_PADDLE1, 0,
     "Paddle 1 (upper right, seen from the front)"},
    {27, ":/PadSetup-Paddle-2", 12, 222, RowKind::Button, SDL_CONTROLLER_BUTTON_PADDLE2, 0,
     "Paddle 2 (upper left, seen from the front)"},
    {28, ":/PadSetup-Paddle-3", 444, 280, RowKind::Button, SDL_CONTROLLER_BUTTON_PADDLE3, 0,
     "Paddle 3 (lower right, seen from the front)"},
    {29, ":/PadSetup-Paddle-4", 30, 280, RowKind::Button, SDL_CONTROLLER_BUTTON_PADDLE4, 0,
     "Paddle 4 (lower left, seen from the front)"},
    {30, ":/PadSetup-Touchpad", 225, 108, RowKind::Button, SDL_CONTROLLER_BUTTON_TOUCHPAD, 0,
     "Touchpad click"},
};

const int bindingSlotOrder[BINDING_ROWS] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                                            16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30};

int bindingRowOfButton(int button)
{
    for (const BindingRow& row : bindingTable)
        if ((row.kind == RowKind::Button || row.kind == RowKind::Dpad) && row.control == button)
            return row.id;
    return -1;
}

int bindingRowOfAxis(int axis, int direction)
{
    for (const BindingRow& row : bindingTable)
        if (isAxisRow(row.id) && row.control == axis && row.direction == direction)
            return row.id;
    return -1;
}
