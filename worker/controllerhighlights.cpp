#include "controllerhighlights.h"

#include <SDL.h>
#include <cmath>

namespace
{

enum { FIRST_STICK_ROW = 15, LEFT_TRIGGER_ROW = 23, RIGHT_TRIGGER_ROW = 24 };
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
    switch (axis) {
    case SDL_CONTROLLER_AXIS_LEFTX:
    case SDL_CONTROLLER_AXIS_LEFTY:
    case SDL_CONTROLLER_AXIS_RIGHTX:
    case SDL_CONTROLLER_AXIS_RIGHTY: {
        // Rows 15 to 22 come in pairs, negative direction first, in the order of SDL's stick axes.
        const int negative = FIRST_STICK_ROW + 2 * axis;
        const int positive = negative + 1;
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
        break;
    }
    case SDL_CONTROLLER_AXIS_TRIGGERLEFT:
        set(LEFT_TRIGGER_ROW, isPressed(value));
        break;
    case SDL_CONTROLLER_AXIS_TRIGGERRIGHT:
        set(RIGHT_TRIGGER_ROW, isPressed(value));
        break;
    default:
        break;
    }
}

void ControllerHighlights::buttonChanged(int button, bool pressed)
{
    // Buttons from 15 on (paddles, touchpad and the like) have no row of their own; passing them on
    // would light a stick direction instead.
    if (button < 0 || button > SDL_CONTROLLER_BUTTON_DPAD_RIGHT)
        return;
    set(button, pressed);
}

void ControllerHighlights::releaseAll()
{
    for (int row = 0; row < BINDING_ROWS; ++row)
        set(row, false);
}
