#include "bindingcapture.h"

namespace
{

// Does the range between outer's two axis ends contain inner's?
bool rangeContains(const CapturedInput& outer, const CapturedInput& inner)
{
    return SDL_min(outer.value, outer.extreme) <= SDL_min(inner.value, inner.extreme) &&
           SDL_max(outer.value, outer.extreme) >= SDL_max(inner.value, inner.extreme);
}

} // namespace

BindingCapture::BindingCapture(HighlightHandler onHighlight) : m_onHighlight(std::move(onHighlight)) {}

BindingCapture::~BindingCapture()
{
    end();
}

void BindingCapture::report(int row, bool on)
{
    if (m_onHighlight)
        m_onHighlight(row, on);
}

void BindingCapture::begin(int numAxes, const InitialAxisState& initialState, int rows)
{
    const CapturedInput empty[BINDING_ROWS] = {};
    start(empty, 0, rows - 1, numAxes, initialState);
}

void BindingCapture::beginSingle(int row, const CapturedInput preset[BINDING_ROWS], int numAxes,
                                 const InitialAxisState& initialState)
{
    start(preset, row, row, numAxes, initialState);
    SDL_zero(m_bindings[row]);
}

void BindingCapture::start(const CapturedInput preset[BINDING_ROWS], int firstRow, int lastRow, int numAxes,
                           const InitialAxisState& initialState)
{
    end();
    m_iFirstRow = SDL_clamp(firstRow, 0, BINDING_ROWS - 1);
    m_iLastRow = SDL_clamp(lastRow, m_iFirstRow, BINDING_ROWS - 1);
    m_iCurrentBinding = m_iFirstRow;
    SDL_memcpy(m_bindings, preset, sizeof m_bindings);

    m_iNumAxes = 0;
    if (numAxes > 0) {
        m_pAxisStates = static_cast<AxisState*>(SDL_calloc(size_t(numAxes), sizeof(AxisState)));
        if (m_pAxisStates)
            m_iNumAxes = numAxes;
    }
    for (int i = 0; i < m_iNumAxes; ++i) {
        Sint16 state = 0;
        const bool known = initialState && initialState(i, &state);
        m_pAxisStates[i].known = known ? 1 : 0;
        m_pAxisStates[i].start = state;
        m_pAxisStates[i].extreme = state;
    }

    m_bMappingComplete = 0;
    m_uiBindingTime = 0;
    report(m_iCurrentBinding, true);
}

void BindingCapture::end()
{
    SDL_free(m_pAxisStates);
    m_pAxisStates = nullptr;
    m_iNumAxes = 0;
}

const AxisState* BindingCapture::axisState(int axis) const
{
    if (!m_pAxisStates || axis < 0 || axis >= m_iNumAxes)
        return nullptr;
    return &m_pAxisStates[axis];
}

void BindingCapture::buttonDown(int button, Uint32 now)
{
    CapturedInput input;
    SDL_zero(input);
    input.type = INPUT_BUTTON;
    input.index = button;
    input.complete = 1;
    offerInput(input, now);
}

void BindingCapture::hatMotion(int hat, int value, Uint32 now)
{
    if (value == SDL_HAT_CENTERED)
        return;
    CapturedInput input;
    SDL_zero(input);
    input.type = INPUT_HAT;
    input.index = hat;
    input.value = value;
    input.complete = 1;
    offerInput(input, now);
}

void BindingCapture::axisMotion(int axis, int value, Uint32 now)
{
    // The event's axis number indexes the table: anything SDL reports beyond it is not ours to track.
    if (!m_pAxisStates || axis < 0 || axis >= m_iNumAxes)
        return;
    AxisState& a = m_pAxisStates[axis];
    int distance = 0;
    if (!a.known) {
        // SDL did not know where this axis rests: its first reading is taken as rest.
        a.known = 1;
        a.start = value;
        a.extreme = value;
    } else {
        distance = SDL_abs(value - a.start);
    }
    int travel = SDL_abs(a.extreme - a.start);
    if (distance > travel) {
        a.extreme = value;
        travel = distance;
    }
    if (travel < CAPTURE_AXIS_TRAVEL)
        return;

    CapturedInput input;
    SDL_zero(input);
    input.type = INPUT_AXIS;
    input.index = axis;
    input.value = quantizeAxis(a.start);
    input.extreme = quantizeAxis(a.extreme);
    input.complete = distance <= CAPTURE_AXIS_RETURN ? 1 : 0;
    offerInput(input, now);
}

void BindingCapture::skip()
{
    selectBinding(m_iCurrentBinding + 1);
}

void BindingCapture::previous()
{
    selectBinding(m_iCurrentBinding - 1);
}

bool BindingCapture::settle(Uint32 now)
{
    if (m_bMappingComplete || m_uiBindingTime == 0 || Uint32(now - m_uiBindingTime) < CAPTURE_SETTLE_MS)
        return false;
    selectBinding(m_iCurrentBinding + 1);
    return true;
}

void BindingCapture::selectBinding(int step)
{
    // Once past the last row the slots are final: a Skip or Previous that arrives in the same batch of
    // events must not reopen a row of a mapping that is about to be built.
    if (m_bMappingComplete || step < m_iFirstRow)
        return;
    if (step > m_iLastRow) {
        m_bMappingComplete = 1;
        return;
    }
    report(m_iCurrentBinding, false);
    m_iCurrentBinding = step;
    report(step, true);
    SDL_zero(m_bindings[bindingSlotOrder[step]]);
    for (int i = 0; i < m_iNumAxes; ++i)
        m_pAxisStates[i].extreme = m_pAxisStates[i].start;
    m_uiBindingTime = 0;
}

void BindingCapture::offerInput(const CapturedInput& input, Uint32 now)
{
    if (m_bMappingComplete)
        return;
    const int cur = bindingSlotOrder[m_iCurrentBinding];
    CapturedInput& s = m_bindings[cur];

    for (const CapturedInput& slot : m_bindings) {
        // A larger movement of an axis whose smaller one another row holds binds that axis twice: a
        // trigger pulled halfway at one row and fully at the next gives both rows the same token.
        // The current row may still grow its own movement.
        const bool coversOtherRow = &slot != &s && slot.type == INPUT_AXIS && input.type == INPUT_AXIS &&
                                    slot.complete && slot.index == input.index && rangeContains(input, slot);
        if (isSameInput(slot, input) || coversOtherRow) {
            // Measure this axis's next movement afresh: a far-out extreme left by an already bound
            // movement would otherwise outweigh the movement the row is waiting for.
            if (input.type == INPUT_AXIS && input.index >= 0 && input.index < m_iNumAxes)
                m_pAxisStates[input.index].extreme = m_pAxisStates[input.index].start;
            return;
        }
    }

    if (s.type != INPUT_NONE) {
        if (bindingTable[cur].kind == RowKind::Dpad && s.type == INPUT_HAT)
            return;
        if (isAxisRow(cur) == (s.type == INPUT_AXIS)) {
            if (input.type != INPUT_AXIS || input.index != s.index)
                return;
        }
    }

    s = input;
    // 0 means "no timer", so a complete input stored at tick 0 is stamped 1 instead.
    m_uiBindingTime = input.complete ? (now ? now : 1) : 0;
}

bool BindingCapture::isSameInput(const CapturedInput& slot, const CapturedInput& input)
{
    if (slot.type != input.type)
        return false;
    if (slot.type == INPUT_BUTTON || slot.type == INPUT_HAT)
        return SDL_memcmp(&slot, &input, sizeof slot) == 0;
    if (slot.type != INPUT_AXIS)
        return false;
    if (slot.index != input.index || !slot.complete)
        return false;
    return rangeContains(slot, input);
}

void BindingCapture::clearHighlight()
{
    report(m_iCurrentBinding, false);
}
