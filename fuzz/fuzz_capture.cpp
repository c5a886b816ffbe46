// Fuzz target for the capture rules. The input is decoded into the events that a capture can see
// (axis motions with any axis number and reading, button presses, hat positions including diagonals
// and values no hat reports, unplugging, Skip, Previous, time passing, new captures with 0 to 8 axes of
// known or unknown rest position). After every event the rules' invariants are checked; each finished
// capture's mapping line is checked for form and handed to SDL, which must accept it and bind every
// control to what the slots say.
//
// Input format: one capture header, then operations until the input ends.
//   header:    clock byte, axis count byte (mod 9; its top bit set: all 31 rows with the extra
//              controls, else the 25 standard ones), known-mask byte, then for each known axis its rest
//              reading (2 bytes, little endian)
//   operation: one byte, its value mod 11 chooses:
//     0 axis motion      axis byte, reading (2 bytes)
//     1 axis sweep       axis byte, target (2 bytes), steps byte (1 to 8), ms per step byte (0 to 39)
//     2 button down      button byte (low 4 bits unless the top bit is set)
//     3 hat motion       hat byte (low 2 bits unless the top bit is set), value byte (any)
//     4 Skip             5 Previous
//     6 time step        byte: 0 to 300 ms, then the settle test
//     7 unplug           ends the capture; a new header follows and a new capture starts
//     8 new capture      a header follows (a run restarted without the capture having ended)
//     9 one pause        15 ms, then the settle test
//    10 push and return  axis byte, reading (2 bytes): the axis there, one pause, back at rest, one pause
// An axis byte below 0xF8 names axis (byte mod (axes + 2)), so mostly real axes and some just beyond;
// 0xF8 to 0xFF name odd numbers (-1, the axis count, 255, INT_MIN, INT_MAX, -2, 8, 9).
// When the input ends on an open capture, the remaining rows are skipped so that every input ends with
// a mapping line to check.

#include "bindingcapture.h"
#include "bindingfields.h"
#include "fuzzsupport.h"
#include "mappingline.h"

#include <SDL.h>

#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace
{

// The gamepad whose GUID heads every mapping and on which SDL parses each mapping's bindings.
SDL_GameController* g_controller = nullptr;
char g_guidText[33] = "03000000091200000357000000010000";
const QByteArray kPadName = "Stickwell Fuzz Pad";
// STICKWELL_FUZZ_VERBOSE set: every finished mapping is printed, to see what a corpus exercises.
bool g_verbose = false;

// The pad's mapping line with these binding fields, as the program builds a captured pad's line.
QByteArray padLine(const QList<QByteArray>& fields)
{
    return MappingLine::forPad(g_guidText, MappingLine::guidCrc(g_guidText), kPadName, fields).text();
}

bool isQuantised(int v)
{
    return v == -32768 || v == 0 || v == 32767;
}

std::string describe(const CapturedInput& in)
{
    char text[80];
    SDL_snprintf(text, sizeof text, "{type %d index %d value %d extreme %d complete %d}", int(in.type),
                 int(in.index), int(in.value), int(in.extreme), int(in.complete));
    return text;
}

// Does the range between a's two ends contain b's?
bool rangeContains(const CapturedInput& a, const CapturedInput& b)
{
    return SDL_min(a.value, a.extreme) <= SDL_min(b.value, b.extreme) &&
           SDL_max(a.value, a.extreme) >= SDL_max(b.value, b.extreme);
}

// The digits of a token from position from on: at least one, all decimal.
bool allDigits(const std::string& s, size_t from)
{
    if (from >= s.size())
        return false;
    for (size_t i = from; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

// "b4", "h0.3", "a2", "a2~", "-a0", "+a0".
bool isWellFormedToken(const std::string& token)
{
    if (token.size() >= 2 && token[0] == 'b')
        return allDigits(token, 1);
    if (token.size() >= 2 && token[0] == 'h') {
        const size_t dot = token.find('.');
        return dot != std::string::npos && allDigits(token.substr(0, dot), 1) && allDigits(token, dot + 1);
    }
    std::string axis = token;
    if (!axis.empty() && (axis[0] == '-' || axis[0] == '+'))
        axis.erase(0, 1);
    else if (!axis.empty() && axis.back() == '~')
        axis.pop_back();
    return axis.size() >= 2 && axis[0] == 'a' && allDigits(axis, 1);
}

class CaptureHarness
{
public:
    CaptureHarness() : m_capture([this](int row, bool on) { highlight(row, on); }) {}

    void run(FuzzInput& in)
    {
        static const Uint32 clocks[8] = {0, 1, 1000, 99, 100, 0xFFFFFFFFu - 150, 0xFFFFFFFFu, 123456};
        m_now = clocks[in.byte() % 8];
        begin(in);
        while (!in.atEnd()) {
            step(in);
            check();
        }
        if (!m_capture.isComplete()) {
            for (int i = 0; i < m_rows && !m_capture.isComplete(); ++i) {
                m_capture.skip();
                check();
            }
            FUZZ_CHECK(m_capture.isComplete(), "%d Skips did not complete the capture (row %d)", m_rows,
                       m_capture.currentBinding());
        }
        FUZZ_CHECK(m_completionChecked, "the finished capture's mapping was not checked");
        m_capture.end();
    }

private:
    void begin(FuzzInput& in)
    {
        const uint8_t axesByte = in.byte();
        m_numAxes = axesByte % 9;
        m_rows = (axesByte & 0x80) ? BINDING_ROWS : STANDARD_ROWS;
        const unsigned knownMask = in.byte();
        m_known.assign(size_t(m_numAxes), false);
        m_rest.assign(size_t(m_numAxes), 0);
        for (int i = 0; i < m_numAxes; ++i) {
            m_known[size_t(i)] = (knownMask >> i) & 1;
            if (m_known[size_t(i)])
                m_rest[size_t(i)] = in.int16();
        }
        m_last = m_rest;
        m_buttonsFed.clear();
        m_hatsFed.clear();
        m_axesFed.clear();
        m_completionChecked = false;
        // The window clears its pictures when a run starts; a capture ended by unplugging left its row lit.
        m_lit.clear();

        m_capture.begin(
            m_numAxes,
            [this](int axis, Sint16* state) {
                FUZZ_CHECK(axis >= 0 && axis < m_numAxes, "initial state asked for axis %d of %d", axis,
                           m_numAxes);
                *state = Sint16(m_rest[size_t(axis)]);
                return bool(m_known[size_t(axis)]);
            },
            m_rows);

        FUZZ_CHECK(m_capture.currentBinding() == 0, "a new capture starts at row %d",
                   m_capture.currentBinding());
        FUZZ_CHECK(!m_capture.isComplete() && m_capture.bindingTime() == 0, "a new capture is not fresh");
        FUZZ_CHECK(m_capture.numAxes() == m_numAxes, "axis table of %d for %d axes", m_capture.numAxes(),
                   m_numAxes);
        for (int row = 0; row < BINDING_ROWS; ++row)
            FUZZ_CHECK(m_capture.slot(row).type == INPUT_NONE, "slot %d not empty at the start", row);
        for (int i = 0; i < m_numAxes; ++i) {
            const AxisState* a = m_capture.axisState(i);
            FUZZ_CHECK(a && a->known == (m_known[size_t(i)] ? 1 : 0) && a->start == m_rest[size_t(i)] &&
                           a->extreme == a->start,
                       "axis %d not seeded from its initial state", i);
        }
        FUZZ_CHECK(!m_capture.axisState(m_numAxes) && !m_capture.axisState(-1), "axis record out of range");
        check();
    }

    void highlight(int row, bool on)
    {
        FUZZ_CHECK(row >= 0 && row < m_rows, "highlight of row %d of %d", row, m_rows);
        if (on) {
            FUZZ_CHECK(!m_lit.count(row), "row %d switched on twice", row);
            m_lit.insert(row);
        } else {
            FUZZ_CHECK(m_lit.count(row), "row %d switched off while not on", row);
            m_lit.erase(row);
        }
    }

    int decodeAxis(uint8_t b) const
    {
        if (b < 0xF8)
            return b % (m_numAxes + 2);
        const int odd[8] = {-1, m_numAxes, 255, INT_MIN, INT_MAX, -2, 8, 9};
        return odd[b - 0xF8];
    }

    void axis(int axis, int value)
    {
        if (axis >= 0 && axis < m_numAxes) {
            m_axesFed.insert(axis);
            m_last[size_t(axis)] = value;
        }
        m_capture.axisMotion(axis, value, m_now);
        check();
    }

    void wait(Uint32 ms)
    {
        m_now += ms;
        const bool wasComplete = m_capture.isComplete();
        const int row = m_capture.currentBinding();
        const Uint32 stamp = m_capture.bindingTime();
        const bool due = !wasComplete && stamp != 0 && Uint32(m_now - stamp) >= CAPTURE_SETTLE_MS;
        const bool moved = m_capture.settle(m_now);
        FUZZ_CHECK(moved == due, "settle at %u with the input stored at %u moved: %d", unsigned(m_now),
                   unsigned(stamp), int(moved));
        if (moved)
            FUZZ_CHECK(row == m_rows - 1 ? m_capture.isComplete() : m_capture.currentBinding() == row + 1,
                       "settling row %d went to row %d", row, m_capture.currentBinding());
        check();
    }

    void step(FuzzInput& in)
    {
        switch (in.byte() % 11) {
        case 0: {
            const int n = decodeAxis(in.byte());
            axis(n, in.int16());
            break;
        }
        case 1: {
            const int n = decodeAxis(in.byte());
            const int target = in.int16();
            const int steps = 1 + in.byte() % 8;
            const Uint32 ms = in.byte() % 40;
            const int from = n >= 0 && n < m_numAxes ? m_last[size_t(n)] : 0;
            for (int k = 1; k <= steps; ++k) {
                axis(n, from + (target - from) * k / steps);
                if (ms)
                    wait(ms);
            }
            break;
        }
        case 2: {
            const uint8_t b = in.byte();
            const int button = (b & 0x80) ? b : (b & 0x0F);
            m_buttonsFed.insert(button);
            m_capture.buttonDown(button, m_now);
            break;
        }
        case 3: {
            const uint8_t h = in.byte();
            const int hat = (h & 0x80) ? h : (h & 0x03);
            const int value = in.byte();
            m_hatsFed.insert({hat, value});
            m_capture.hatMotion(hat, value, m_now);
            break;
        }
        case 4: {
            const int row = m_capture.currentBinding();
            const bool wasComplete = m_capture.isComplete();
            m_capture.skip();
            if (!wasComplete)
                FUZZ_CHECK(row == m_rows - 1 ? m_capture.isComplete() : m_capture.currentBinding() == row + 1,
                           "Skip at row %d went to row %d", row, m_capture.currentBinding());
            if (!wasComplete && !m_capture.isComplete())
                FUZZ_CHECK(m_capture.slot(row + 1).type == INPUT_NONE, "Skip did not empty row %d", row + 1);
            break;
        }
        case 5: {
            const int row = m_capture.currentBinding();
            const bool wasComplete = m_capture.isComplete();
            const CapturedInput left = m_capture.slot(row);
            m_capture.previous();
            if (!wasComplete && row > 0) {
                FUZZ_CHECK(m_capture.currentBinding() == row - 1, "Previous at row %d went to row %d", row,
                           m_capture.currentBinding());
                FUZZ_CHECK(m_capture.slot(row - 1).type == INPUT_NONE, "Previous did not empty row %d",
                           row - 1);
                FUZZ_CHECK(SDL_memcmp(&left, &m_capture.slot(row), sizeof left) == 0,
                           "Previous changed the row it left");
            } else if (!wasComplete) {
                FUZZ_CHECK(m_capture.currentBinding() == 0, "Previous at row 0 moved");
            }
            break;
        }
        case 6:
            wait(Uint32(in.byte()) * 300 / 255);
            break;
        case 7: {
            const std::vector<CapturedInput> before(m_capture.bindings(),
                                                    m_capture.bindings() + BINDING_ROWS);
            m_capture.end();
            FUZZ_CHECK(m_capture.numAxes() == 0 && !m_capture.axisState(0), "the axis table survived end()");
            FUZZ_CHECK(
                SDL_memcmp(before.data(), m_capture.bindings(), sizeof(CapturedInput) * BINDING_ROWS) == 0,
                "end() changed the slots");
            m_capture.end(); // must be safe to repeat
            begin(in);
            break;
        }
        case 8:
            begin(in);
            break;
        case 9:
            wait(15);
            break;
        case 10: {
            const int n = decodeAxis(in.byte());
            axis(n, in.int16());
            wait(15);
            const AxisState* a = m_capture.axisState(n);
            axis(n, a ? a->start : 0);
            wait(15);
            break;
        }
        }
    }

    // The invariants that must hold between any two events.
    void check()
    {
        const int row = m_capture.currentBinding();
        FUZZ_CHECK(row >= 0 && row < m_rows, "current row %d of %d", row, m_rows);
        FUZZ_CHECK(m_lit.size() == 1 && *m_lit.begin() == row, "%zu rows lit, current row %d", m_lit.size(),
                   row);
        if (m_capture.isComplete())
            FUZZ_CHECK(row == m_rows - 1, "complete at row %d", row);

        // The settle timer runs exactly while the current row holds a complete input.
        const CapturedInput& current = m_capture.slot(row);
        const bool currentComplete = current.type != INPUT_NONE && current.complete;
        FUZZ_CHECK((m_capture.bindingTime() != 0) == currentComplete, "timer %u with current slot %s",
                   unsigned(m_capture.bindingTime()), describe(current).c_str());

        for (int i = 0; i < BINDING_ROWS; ++i)
            checkSlot(i, m_capture.slot(i));
        // Rows past the capture's last one are never reached: they stay empty.
        for (int i = m_rows; i < BINDING_ROWS; ++i)
            FUZZ_CHECK(m_capture.slot(i).type == INPUT_NONE, "row %d of a %d-row capture holds %s", i, m_rows,
                       describe(m_capture.slot(i)).c_str());

        // No raw input bound twice: a button, a hat position, or a completed axis movement covered by
        // another completed movement of the same axis.
        for (int i = 0; i < BINDING_ROWS; ++i) {
            const CapturedInput& a = m_capture.slot(i);
            for (int j = i + 1; j < BINDING_ROWS; ++j) {
                const CapturedInput& b = m_capture.slot(j);
                if (a.type != b.type || a.index != b.index)
                    continue;
                if (a.type == INPUT_BUTTON)
                    fuzzFail(__FILE__, __LINE__, "button bound once", "button %d in rows %d and %d",
                             int(a.index), i, j);
                if (a.type == INPUT_HAT && a.value == b.value)
                    fuzzFail(__FILE__, __LINE__, "hat position bound once", "hat %d.%d in rows %d and %d",
                             int(a.index), int(a.value), i, j);
                if (a.type == INPUT_AXIS && a.complete && b.complete &&
                    (rangeContains(a, b) || rangeContains(b, a)))
                    fuzzFail(__FILE__, __LINE__, "axis movement bound once", "row %d %s and row %d %s", i,
                             describe(a).c_str(), j, describe(b).c_str());
            }
        }

        if (m_capture.isComplete()) {
            if (!m_completionChecked)
                checkCompletion();
            FUZZ_CHECK(SDL_memcmp(m_snapshot, m_capture.bindings(), sizeof m_snapshot) == 0,
                       "the slots changed after the capture completed");
        }
    }

    void checkSlot(int row, const CapturedInput& s)
    {
        switch (s.type) {
        case INPUT_NONE:
            FUZZ_CHECK(s.index == 0 && s.value == 0 && s.extreme == 0 && s.complete == 0,
                       "row %d empty but %s", row, describe(s).c_str());
            break;
        case INPUT_BUTTON:
            FUZZ_CHECK(s.value == 0 && s.extreme == 0 && s.complete == 1, "row %d button %s", row,
                       describe(s).c_str());
            FUZZ_CHECK(m_buttonsFed.count(s.index), "row %d holds a button never pressed: %s", row,
                       describe(s).c_str());
            break;
        case INPUT_HAT:
            FUZZ_CHECK(s.value != 0 && s.extreme == 0 && s.complete == 1, "row %d hat %s", row,
                       describe(s).c_str());
            FUZZ_CHECK(m_hatsFed.count({s.index, s.value}), "row %d holds a hat position never reported: %s",
                       row, describe(s).c_str());
            break;
        case INPUT_AXIS: {
            FUZZ_CHECK(isQuantised(s.value) && isQuantised(s.extreme) && (s.complete == 0 || s.complete == 1),
                       "row %d axis %s", row, describe(s).c_str());
            FUZZ_CHECK(s.index >= 0 && s.index < m_numAxes && m_axesFed.count(s.index),
                       "row %d holds an axis never moved: %s", row, describe(s).c_str());
            const AxisState* a = m_capture.axisState(s.index);
            if (a)
                FUZZ_CHECK(a->known == 1 && s.value == quantizeAxis(a->start),
                           "row %d %s does not start at the axis's rest %d", row, describe(s).c_str(),
                           int(a->start));
            break;
        }
        default:
            fuzzFail(__FILE__, __LINE__, "type 0..3", "row %d %s", row, describe(s).c_str());
        }
    }

    // The finished capture's mapping line: its binding fields' form, the whole line built as the program
    // builds it, SDL's acceptance, and SDL's reading of each control.
    void checkCompletion()
    {
        m_completionChecked = true;
        SDL_memcpy(m_snapshot, m_capture.bindings(), sizeof m_snapshot);

        const QList<QByteArray> fields = bindingFields(m_snapshot);
        const QByteArray line = padLine(fields);
        const char* text = line.constData();
        if (g_verbose)
            std::fprintf(stderr, "mapping: %s\n", text);

        // Every field whole, after the pad's own fields: no capture makes a line long enough to be cut.
        QByteArray expected = padLine({});
        std::set<std::string> keys, inputs;
        for (const QByteArray& field : fields) {
            expected += field + ',';
            const std::string entry = field.toStdString();
            const size_t colon = entry.find(':');
            FUZZ_CHECK(colon != std::string::npos, "entry without a colon: %s in %s", entry.c_str(), text);
            const std::string key = entry.substr(0, colon);
            const std::string token = entry.substr(colon + 1);
            FUZZ_CHECK(keys.insert(key).second, "control %s written twice: %s", key.c_str(), text);
            FUZZ_CHECK(isWellFormedToken(token), "bad input token %s in %s", token.c_str(), text);
            if (token[0] == 'b' || token[0] == 'h')
                FUZZ_CHECK(inputs.insert(token).second, "input %s bound twice: %s", token.c_str(), text);
        }
        FUZZ_CHECK(line == expected, "mapping %s is not the pad's fields and then %s", text,
                   expected.constData());

        const int added = SDL_GameControllerAddMapping(text);
        FUZZ_CHECK(added >= 0, "SDL refused the mapping (%s): %s", SDL_GetError(), text);
        if (!g_controller)
            return;

        // SDL's text of the mapping it holds, read as a line, is this line.
        char* stored = SDL_GameControllerMapping(g_controller);
        MappingLine held;
        const bool same = stored && MappingLine::parse(stored, &held) && held.text() == line;
        FUZZ_CHECK(same, "SDL holds %s for %s", stored ? stored : "(null)", text);
        SDL_free(stored);

        for (int row = 0; row < BINDING_ROWS; ++row)
            if (!isAxisRow(row))
                checkBind(row,
                          SDL_GameControllerGetBindForButton(
                              g_controller, SDL_GameControllerButton(bindingTable[row].control)),
                          sdlReading(m_snapshot[row]), text);
        // For an axis SDL reports its first entry: the negative half's row, else the positive half's.
        static const SDL_GameControllerAxis axes[6] = {
            SDL_CONTROLLER_AXIS_LEFTX,  SDL_CONTROLLER_AXIS_LEFTY,       SDL_CONTROLLER_AXIS_RIGHTX,
            SDL_CONTROLLER_AXIS_RIGHTY, SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT};
        for (int k = 0; k < 6; ++k) {
            const int row = k < 4 ? 15 + 2 * k : 19 + k;
            CapturedInput first = sdlReading(m_snapshot[row]);
            if (k < 4 && first.type == INPUT_NONE)
                first = sdlReading(m_snapshot[row + 1]);
            checkBind(row, SDL_GameControllerGetBindForAxis(g_controller, axes[k]), first, text);
        }
        // Every mapping update queues a remap event; nobody reads the queue here.
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }

    // The binding SDL makes of a slot's entry. SDL's parser takes a hat entry only with a one-digit
    // hat number ("h0.1" to "h9.15"); it skips "h10.1" and up, so such an entry binds nothing. (No
    // Linux joystick has more than four hats; SDL's virtual ones can.)
    static CapturedInput sdlReading(const CapturedInput& s)
    {
        CapturedInput none;
        SDL_zero(none);
        return s.type == INPUT_HAT && s.index > 9 ? none : s;
    }

    static void checkBind(int row, const SDL_GameControllerButtonBind& bind, const CapturedInput& s,
                          const char* text)
    {
        bool same = false;
        switch (s.type) {
        case INPUT_NONE:
            same = bind.bindType == SDL_CONTROLLER_BINDTYPE_NONE;
            break;
        case INPUT_BUTTON:
            same = bind.bindType == SDL_CONTROLLER_BINDTYPE_BUTTON && bind.value.button == s.index;
            break;
        case INPUT_AXIS:
            same = bind.bindType == SDL_CONTROLLER_BINDTYPE_AXIS && bind.value.axis == s.index;
            break;
        case INPUT_HAT:
            same = bind.bindType == SDL_CONTROLLER_BINDTYPE_HAT && bind.value.hat.hat == s.index &&
                   bind.value.hat.hat_mask == s.value;
            break;
        }
        FUZZ_CHECK(same, "SDL binds row %d (%s) to type %d, %d/%d; the slot is %s: %s", row,
                   bindingTable[row].description, int(bind.bindType), bind.value.hat.hat,
                   bind.value.hat.hat_mask, describe(s).c_str(), text);
    }

    BindingCapture m_capture;
    std::set<int> m_lit;
    Uint32 m_now = 0;
    int m_numAxes = 0;
    int m_rows = STANDARD_ROWS;
    std::vector<bool> m_known;
    std::vector<int> m_rest, m_last;
    std::set<int> m_buttonsFed, m_axesFed;
    std::set<std::pair<int, int>> m_hatsFed;
    bool m_completionChecked = false;
    CapturedInput m_snapshot[BINDING_ROWS] = {};
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_verbose = std::getenv("STICKWELL_FUZZ_VERBOSE") != nullptr;
    SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
    if (SDL_Init(SDL_INIT_GAMECONTROLLER) < 0) {
        std::fprintf(stderr, "fuzz_capture: SDL_Init failed: %s\n", SDL_GetError());
        std::abort();
    }
    // A virtual pad with more of everything than an input can name, so SDL parses every binding.
    // SDL only maps pads that have a vendor and product id.
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = 16;
    desc.nbuttons = 256;
    desc.nhats = 256;
    desc.vendor_id = 0x1209;
    desc.product_id = 0x5703;
    desc.name = kPadName.constData();
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index >= 0) {
        SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), g_guidText, sizeof g_guidText);
        SDL_GameControllerAddMapping(padLine({}).constData());
        // Opened once: each later mapping for the GUID replaces this one and SDL re-reads its bindings.
        g_controller = SDL_GameControllerOpen(index);
    }
    if (!g_controller)
        std::fprintf(stderr, "fuzz_capture: no virtual pad (%s); checking SDL's acceptance only\n",
                     SDL_GetError());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    CaptureHarness harness;
    harness.run(in);
    return 0;
}
