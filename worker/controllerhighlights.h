#ifndef CONTROLLERHIGHLIGHTS_H
#define CONTROLLERHIGHLIGHTS_H
// Normal mode's live picture: which binding-table rows the open game controllers hold, worked out from
// their axis and button events. Pure: events in, (row, pressed) changes out, each only when it changes.

#include "bindingtable.h"

#include <functional>

class ControllerHighlights
{
public:
    // Receives every change of a row's state.
    using ChangeHandler = std::function<void(int row, bool pressed)>;

    explicit ControllerHighlights(ChangeHandler onChange = ChangeHandler());

    // A game-controller axis reading (axis is an SDL_GameControllerAxis). A stick reading lights the
    // row of the direction it points to when pressed enough and releases the opposite row; a reading of
    // 0 releases both. A trigger reading sets its row. Axes without a row are ignored.
    void axisMotion(int axis, int value);
    // A game-controller button going down or up sets the row of that button; others are ignored.
    void buttonChanged(int button, bool pressed);
    // Reports every lit row as released, in row order, and forgets them.
    void releaseAll();

    bool isLit(int row) const { return row >= 0 && row < BINDING_ROWS && m_bLit[row]; }
    // True when a reading counts as pressed: its magnitude divided by 32767.0 is at least 0.75.
    static bool isPressed(int value);

private:
    void set(int row, bool pressed);

    ChangeHandler m_onChange;
    bool m_bLit[BINDING_ROWS] = {};
};

#endif
