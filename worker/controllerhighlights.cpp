#include "controllerhighlights.h"

#include <SDL.h>
#include <cmath>

namespace
{
const double PRESS_THRESHOLD = 0.75;
} // namespace

ControllerHighlights::ControllerHighlights(ChangeHandler onChange) : m_onChange(std::move(onChange)) {}

bool ControllerHighlights::isPressed(int value)
{
    return std::fabs(value / 32767.0) >= PRESS_THRESHOLD;
}

void ControllerHighlights::set(int row, bool pressed)
{
    if (m_bLit[row] == pressed)
        return;
    m_bLit[row] = pressed;
    if (m_onChange)
        m_onChange(row, pressed);
}

void ControllerHighlights::axisMotion(int axis, int value)
{
    const int negative = bindingRowOfAxis(axis, -1);
    const int positive = bindingRowOfAxis(axis, +1);
    if (negative < 0 || positive < 0) {
        const int trigger = bindingRowOfAxis(axis, 0);
        if (trigger >= 0)
            set(trigger, isPressed(value));
        return;
    }
    if (value > 0) {
        set(negative, false);
        set(positive, isPressed(value));
    } else if (value < 0) {
        set(positive, false);
        set(negative, isPressed(value));
    } else {
        set(negative, false);
        set(positive, false);
    }
}

void ControllerHighlights::buttonChanged(int button, bool pressed)
{
    // A button without a row of its own is not shown; it must not light another row.
    const int row = bindingRowOfButton(button);
    if (row >= 0)
        set(row, pressed);
}

void ControllerHighlights::releaseAll()
{
    for (int row = 0; row < BINDING_ROWS; ++row)
        set(row, false);
}
