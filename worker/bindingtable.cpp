#include "bindingtable.h"

const BindingRow bindingTable[BINDING_ROWS] = {
    {0, ":/PadSetup-Button-3", 402, 193},      {1, ":/PadSetup-Button-2", 445, 157},
    {2, ":/PadSetup-Button-4", 363, 161},      {3, ":/PadSetup-Button-1", 407, 126},
    {4, ":/PadSetup-Select", 204, 169},        {5, ":/PadSetup-X", 246, 156},
    {6, ":/PadSetup-Start", 312, 169},         {7, ":/PadSetup-Stick-Left", 82, 163},
    {8, ":/PadSetup-Stick-Right", 308, 238},   {9, ":/PadSetup-Shift-Left", 70, 66},
    {10, ":/PadSetup-Shift-Right", 379, 66},   {11, ":/PadSetup-Dpad-Up", 181, 227},
    {12, ":/PadSetup-Dpad-Down", 182, 262},    {13, ":/PadSetup-Dpad-Left", 158, 247},
    {14, ":/PadSetup-Dpad-Right", 197, 247},   {15, ":/PadSetup-Arrow-Left", 48, 178},
    {16, ":/PadSetup-Arrow-Right", 134, 178},  {17, ":/PadSetup-Arrow-Up", 98, 130},
    {18, ":/PadSetup-Arrow-Down", 98, 212},    {19, ":/PadSetup-Arrow-Left", 273, 252},
    {20, ":/PadSetup-Arrow-Right", 359, 252},  {21, ":/PadSetup-Arrow-Up", 322, 208},
    {22, ":/PadSetup-Arrow-Down", 322, 286},   {23, ":/PadSetup-Trigger-Left", 115, 25},
    {24, ":/PadSetup-Trigger-Right", 392, 25},
};

const int bindingSlotOrder[BINDING_ROWS] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                            13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
