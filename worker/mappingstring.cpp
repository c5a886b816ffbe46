#include "mappingstring.h"

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

void buildMappingString(const CapturedInput bindings[BINDING_ROWS], const char* guidText, char* out,
                        size_t outSize)
{
    if (!out || outSize == 0)
        return;
    SDL_strlcpy(out, guidText ? guidText : "", outSize);
    SDL_strlcat(out, ",%GAMEPAD_NAME%,platform:", outSize);
    SDL_strlcat(out, SDL_GetPlatform(), outSize);
    SDL_strlcat(out, ",", outSize);
    for (const QByteArray& field : bindingFields(bindings)) {
        SDL_strlcat(out, field.constData(), outSize);
        SDL_strlcat(out, ",", outSize);
    }
}

void buildMappingString(const CapturedInput bindings[BINDING_ROWS], SDL_JoystickID instanceId, char* out,
                        size_t outSize)
{
    // A joystick that has gone gives SDL's all-zero GUID, which still makes a well-formed line.
    char guidText[MAPPING_TEXT_SIZE];
    SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(SDL_JoystickFromInstanceID(instanceId)), guidText,
                              sizeof guidText);
    buildMappingString(bindings, guidText, out, outSize);
}
