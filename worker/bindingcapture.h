#ifndef BINDINGCAPTURE_H
#define BINDINGCAPTURE_H
// The rules of the mapping wizard's capture: one raw joystick input per binding-table row, chosen from
// button presses, hat positions and axis movements, with the 100 ms settle time and Skip and Previous.
// Pure: events and times go in, binding slots and highlight changes come out. No SDL event loop, no
// thread and no clock of its own; the caller passes the tick count with every event.

#include "bindingtable.h"
#include "capturedinput.h"

#include <SDL.h>
#include <functional>

// The tracked state of one axis of the captured joystick during a capture.
struct AxisState {
    Sint32 known;   // 1 once the rest position is known
    Sint32 start;   // the rest position (raw reading), fixed for the whole capture once known
    Sint32 extreme; // the raw reading furthest from start since the current row began
};

enum {
    CAPTURE_SETTLE_MS = 100,     // a complete input moves the wizard on after this long
    CAPTURE_AXIS_TRAVEL = 16000, // an axis counts as an input once its extreme is this far from rest
    CAPTURE_AXIS_RETURN = 10000, // an axis input is complete once the reading is this close to rest
};

class BindingCapture
{
public:
    // Receives every highlight change: row (0 to 30) switched on or off.
    using HighlightHandler = std::function<void(int row, bool on)>;
    // Asked for each axis when a capture begins: returns true and fills *state with the axis's rest
    // reading when it is known, false when it is not.
    using InitialAxisState = std::function<bool(int axis, Sint16* state)>;

    explicit BindingCapture(HighlightHandler onHighlight = HighlightHandler());
    ~BindingCapture(); // frees the axis table if a capture is still open
    BindingCapture(const BindingCapture&) = delete;
    BindingCapture& operator=(const BindingCapture&) = delete;

    // Starts a capture of the first `rows` rows (STANDARD_ROWS, or BINDING_ROWS with the extra controls;
    // clamped to 1 to BINDING_ROWS): row 0, every slot empty, no settle timer, not complete, and a table
    // of numAxes axis records (SDL_calloc) seeded from initialState (every axis unknown when it is
    // empty). With numAxes below 1, or when the table cannot be allocated, there is no table and axis
    // events are ignored. A table left by an earlier capture is freed first. Reports row 0 on.
    void begin(int numAxes, const InitialAxisState& initialState = InitialAxisState(),
               int rows = STANDARD_ROWS);
    // Starts a capture of the one row `row` of an existing mapping: the other slots hold preset's
    // bindings, so their inputs stay taken; row's slot is empty and lit. A settled input or Skip (which
    // leaves the slot empty) completes the capture; Previous does nothing. The axis table as in begin.
    void beginSingle(int row, const CapturedInput preset[BINDING_ROWS], int numAxes,
                     const InitialAxisState& initialState = InitialAxisState());
    // Frees the axis table (SDL_free); the slots, row and completion flag stay readable. Safe to repeat.
    void end();

    // Events of the captured joystick, with the current tick count. A hat back at the centre, an axis
    // number outside the table and any event after the capture is complete are ignored.
    void buttonDown(int button, Uint32 now);
    void hatMotion(int hat, int value, Uint32 now);
    void axisMotion(int axis, int value, Uint32 now);
    // Skip: the next row (after the last row the capture is complete). Previous: back one row, emptying it.
    void skip();
    void previous();
    // The settle test, run after each pause: moves to the next row when the current row's complete
    // input was stored at least 100 ms before now. Returns true when it moved (or completed).
    bool settle(Uint32 now);

    // Moves to row step: before the capture's first row (0, or the single row) does nothing; past its
    // last row (24 or 30, or the single row) completes the capture (no highlight change);
    // otherwise reports the old row off and step on, empties step's slot, sets every axis's extreme
    // back to its start and stops the settle timer.
    void selectBinding(int step);
    // Offers an input to the current row; stores it or drops it by the acceptance rules. Besides what
    // isSameInput covers, an axis movement is dropped when its range contains a completed movement of
    // the same axis held by another row. A stored complete input starts the settle timer at now, an
    // incomplete one stops it.
    void offerInput(const CapturedInput& input, Uint32 now);
    // True when input is already covered by slot: the same button or hat position (all fields equal),
    // or a completed movement of the same axis whose range contains the input's.
    static bool isSameInput(const CapturedInput& slot, const CapturedInput& input);

    // Reports the current row off (used when a capture is aborted or has finished).
    void clearHighlight();

    bool isComplete() const { return m_bMappingComplete != 0; }
    int currentBinding() const { return m_iCurrentBinding; }
    // The 31 binding slots, indexed by row; rows a capture does not step through stay empty.
    const CapturedInput* bindings() const { return m_bindings; }
    const CapturedInput& slot(int row) const { return m_bindings[row]; }
    Uint32 bindingTime() const { return m_uiBindingTime; }
    int numAxes() const { return m_iNumAxes; }
    // The axis record of axis, or null when there is no such record.
    const AxisState* axisState(int axis) const;

private:
    void report(int row, bool on);
    void start(const CapturedInput preset[BINDING_ROWS], int firstRow, int lastRow, int numAxes,
               const InitialAxisState& initialState);

    HighlightHandler m_onHighlight;
    CapturedInput m_bindings[BINDING_ROWS] = {};
    int m_iCurrentBinding = 0;
    int m_iFirstRow = 0; // the rows this capture steps through
    int m_iLastRow = BINDING_ROWS - 1;
    Uint32 m_uiBindingTime = 0; // tick count of the current row's complete input; 0 none
    int m_bMappingComplete = 0;
    int m_iNumAxes = 0;
    AxisState* m_pAxisStates = nullptr;
};

#endif
