#ifndef BINDINGTABLE_H
#define BINDINGTABLE_H
// The 25 controls of the mapping wizard: one row per control, with its highlight picture and position.
// A row number (0 to 24) names a control everywhere: wizard step, binding slot, overlay, signal index.

enum { BINDING_ROWS = 25 };

struct BindingRow {
    int id;            // the row's own number; always equals its position
    const char* image; // Qt resource path of the highlight picture, without ".png"
    int x, y;          // top-left corner of the highlight on the 550x360 base picture
};

extern const BindingRow bindingTable[BINDING_ROWS];

// For each wizard step, the binding slot that the step fills (the identity).
extern const int bindingSlotOrder[BINDING_ROWS];

#endif
