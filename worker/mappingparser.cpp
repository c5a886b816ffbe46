#include "mappingparser.h"

#include "mappingstring.h"

#include <SDL.h>

namespace
{

bool parseNumber(const QByteArray& digits, Sint32* number)
{
    if (digits.isEmpty() || digits.size() > 4)
        return false;
    for (const char c : digits)
        if (c < '0' || c > '9')
            return false;
    *number = digits.toInt();
    return true;
}

// Stores input at row; a row that holds a binding already keeps it.
bool store(CapturedInput bindings[BINDING_ROWS], int row, const CapturedInput& input)
{
    if (row < 0 || bindings[row].type != INPUT_NONE)
        return false;
    bindings[row] = input;
    return true;
}

// One "key:token" entry into the slots; false when no row takes it as the wizard would write it.
bool takeEntry(CapturedInput bindings[BINDING_ROWS], const QByteArray& key, const QByteArray& token)
{
    CapturedInput input;
    if (!parseInput(token, &input))
        return false;
    if (key.startsWith('+') || key.startsWith('-')) {
        const SDL_GameControllerAxis axis = SDL_GameControllerGetAxisFromString(key.mid(1).constData());
        const int row = bindingRowOfAxis(axis, key.startsWith('+') ? +1 : -1);
        return row >= 0 && bindingTable[row].kind == RowKind::StickHalf && store(bindings, row, input);
    }
    const SDL_GameControllerButton button = SDL_GameControllerGetButtonFromString(key.constData());
    if (button != SDL_CONTROLLER_BUTTON_INVALID)
        return store(bindings, bindingRowOfButton(button), input);
    const SDL_GameControllerAxis axis = SDL_GameControllerGetAxisFromString(key.constData());
    if (axis == SDL_CONTROLLER_AXIS_INVALID)
        return false;
    if (bindingRowOfAxis(axis, 0) >= 0)
        return store(bindings, bindingRowOfAxis(axis, 0), input);
    // A whole stick axis is what merging the two halves made: split it back, both resting at the centre.
    const int negative = bindingRowOfAxis(axis, -1), positive = bindingRowOfAxis(axis, +1);
    if (input.type != INPUT_AXIS || negative < 0 || positive < 0 || bindings[negative].type != INPUT_NONE ||
        bindings[positive].type != INPUT_NONE)
        return false;
    CapturedInput half = input;
    half.value = 0;
    half.extreme = input.value;
    store(bindings, negative, half);
    half.extreme = input.extreme;
    store(bindings, positive, half);
    return true;
}

} // namespace

bool parseInput(const QByteArray& token, CapturedInput* input)
{
    CapturedInput parsed;
    SDL_zero(parsed);
    parsed.complete = 1;
    if (token.startsWith('b')) {
        parsed.type = INPUT_BUTTON;
        if (!parseNumber(token.mid(1), &parsed.index))
            return false;
    } else if (token.startsWith('h')) {
        parsed.type = INPUT_HAT;
        const int dot = token.indexOf('.');
        if (dot < 0 || !parseNumber(token.mid(1, dot - 1), &parsed.index) ||
            !parseNumber(token.mid(dot + 1), &parsed.value))
            return false;
        // Hat positions are bits of up, right, down and left; 0 is the centre, which binds nothing.
        if (parsed.value < 1 || parsed.value > 15)
            return false;
    } else {
        parsed.type = INPUT_AXIS;
        QByteArray rest = token;
        const char sign = rest.startsWith('+') || rest.startsWith('-') ? rest.at(0) : 0;
        if (sign)
            rest.remove(0, 1);
        const bool inverted = rest.endsWith('~');
        if (inverted)
            rest.chop(1);
        if (!rest.startsWith('a') || !parseNumber(rest.mid(1), &parsed.index) || (sign && inverted))
            return false;
        if (sign) {
            parsed.value = 0;
            parsed.extreme = sign == '+' ? 32767 : -32768;
        } else {
            parsed.value = inverted ? 32767 : -32768;
            parsed.extreme = inverted ? -32768 : 32767;
        }
    }
    *input = parsed;
    return true;
}

void parseBindingFields(const QList<QByteArray>& fields, CapturedInput bindings[BINDING_ROWS],
                        QList<QByteArray>* otherFields)
{
    SDL_memset(bindings, 0, sizeof(CapturedInput) * BINDING_ROWS);
    for (const QByteArray& field : fields) {
        if (field.isEmpty())
            continue;
        const int colon = field.indexOf(':');
        if ((colon <= 0 || !takeEntry(bindings, field.left(colon), field.mid(colon + 1))) && otherFields)
            *otherFields << field;
    }
}

bool parseMapping(const QByteArray& line, ParsedMapping* parsed)
{
    const QList<QByteArray> fields = line.split(',');
    if (fields.size() < 2)
        return false;
    ParsedMapping result;
    result.guid = fields.at(0);
    result.name = fields.at(1);
    parseBindingFields(fields.mid(2), result.bindings, &result.otherFields);
    *parsed = result;
    return true;
}

QByteArray buildMapping(const ParsedMapping& parsed)
{
    QByteArray line = parsed.guid + ',' + parsed.name + ',';
    for (const QByteArray& field : bindingFields(parsed.bindings) + parsed.otherFields)
        line += field + ',';
    return line;
}
