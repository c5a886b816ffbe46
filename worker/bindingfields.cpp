#include "bindingfields.h"

namespace
{

QByteArray controlName(const char* name)
{
    // SDL's name look-ups give NULL for an unknown control; no name is the safe reading.
    return QByteArray(name ? name : "");
}

// The input side of one entry ("b4", "h0.3", "-a0", "a2~"), at most MAPPING_TOKEN_SIZE - 1 characters.
void writeToken(const CapturedInput& input, char token[MAPPING_TOKEN_SIZE])
{
    token[0] = '\0';
    switch (input.type) {
    case INPUT_BUTTON:
        SDL_snprintf(token, MAPPING_TOKEN_SIZE, "b%d", int(input.index));
        break;
    case INPUT_HAT:
        SDL_snprintf(token, MAPPING_TOKEN_SIZE, "h%d.%d", int(input.index), int(input.value));
        break;
    case INPUT_AXIS:
        // A movement that started at the centre covers one half of the axis only.
        if (input.value == 0 && input.extreme == -32768) {
            SDL_snprintf(token, MAPPING_TOKEN_SIZE, "-a%d", int(input.index));
        } else if (input.value == 0 && input.extreme == 32767) {
            SDL_snprintf(token, MAPPING_TOKEN_SIZE, "+a%d", int(input.index));
        } else {
            SDL_snprintf(token, MAPPING_TOKEN_SIZE, "a%d", int(input.index));
            if (input.value > input.extreme)
                SDL_strlcat(token, "~", MAPPING_TOKEN_SIZE);
        }
        break;
    default:
        break;
    }
}

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

bool mergeAxisHalves(CapturedInput bindings[BINDING_ROWS], int row)
{
    if (row < 0 || row >= BINDING_ROWS || bindingTable[row].kind != RowKind::StickHalf ||
        bindingTable[row].direction >= 0)
        return false;
    const int positiveRow = bindingRowOfAxis(bindingTable[row].control, +1);
    if (positiveRow < 0)
        return false;
    CapturedInput& negative = bindings[row];
    CapturedInput& positive = bindings[positiveRow];
    if (negative.type != INPUT_AXIS || positive.type != INPUT_AXIS || negative.index != positive.index ||
        negative.value != positive.value)
        return false;
    negative.value = negative.extreme;
    negative.extreme = positive.extreme;
    positive.type = INPUT_NONE;
    return true;
}

QList<QByteArray> bindingFields(const CapturedInput bindings[BINDING_ROWS])
{
    // Merging halves empties rows: it works on a copy, so the same slots always give the same fields.
    CapturedInput copy[BINDING_ROWS];
    SDL_memcpy(copy, bindings, sizeof copy);
    QList<QByteArray> fields;
    for (int row = 0; row < BINDING_ROWS; ++row) {
        // Checked at this moment: writing the row before may have merged this one away.
        if (copy[row].type == INPUT_NONE)
            continue;

        QByteArray field;
        const BindingRow& control = bindingTable[row];
        switch (control.kind) {
        case RowKind::Button:
        case RowKind::Dpad:
            field =
                controlName(SDL_GameControllerGetStringForButton(SDL_GameControllerButton(control.control)));
            break;
        case RowKind::StickHalf:
            if (control.direction > 0)
                field = "+";
            else if (!mergeAxisHalves(copy, row))
                field = "-";
            field += controlName(SDL_GameControllerGetStringForAxis(SDL_GameControllerAxis(control.control)));
            break;
        case RowKind::Trigger:
            field = controlName(SDL_GameControllerGetStringForAxis(SDL_GameControllerAxis(control.control)));
            break;
        }

        char token[MAPPING_TOKEN_SIZE];
        writeToken(copy[row], token);
        fields << field + ':' + QByteArray(token);
    }
    return fields;
}

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
