#include "mappingstring.h"

namespace
{

// The controller axis that a stick row (15 to 22) stands for; rows come in negative/positive pairs.
SDL_GameControllerAxis stickAxisOfRow(int row)
{
    static const SDL_GameControllerAxis axes[4] = {SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_AXIS_LEFTY,
                                                   SDL_CONTROLLER_AXIS_RIGHTX, SDL_CONTROLLER_AXIS_RIGHTY};
    return axes[(row - 15) / 2];
}

void appendText(char* out, size_t outSize, const char* text)
{
    // SDL's name look-ups give NULL for an unknown control; appending nothing is the safe reading.
    if (text)
        SDL_strlcat(out, text, outSize);
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
    if (row < 0 || row + 1 >= BINDING_ROWS)
        return false;
    CapturedInput& negative = bindings[row];
    CapturedInput& positive = bindings[row + 1];
    if (negative.type != INPUT_AXIS || positive.type != INPUT_AXIS || negative.index != positive.index ||
        negative.value != positive.value)
        return false;
    negative.value = negative.extreme;
    negative.extreme = positive.extreme;
    positive.type = INPUT_NONE;
    return true;
}

void buildMappingString(CapturedInput bindings[BINDING_ROWS], const char* guidText, char* out, size_t outSize)
{
    if (!out || outSize == 0)
        return;
    SDL_strlcpy(out, guidText ? guidText : "", outSize);
    SDL_strlcat(out, ",", outSize);
    SDL_strlcat(out, "%GAMEPAD_NAME%", outSize);
    SDL_strlcat(out, ",", outSize);
    SDL_strlcat(out, "platform:", outSize);
    appendText(out, outSize, SDL_GetPlatform());
    SDL_strlcat(out, ",", outSize);

    for (int row = 0; row < BINDING_ROWS; ++row) {
        // Checked at this moment: writing the row before may have merged this one away.
        if (bindings[row].type == INPUT_NONE)
            continue;

        if (row <= 14) {
            appendText(out, outSize, SDL_GameControllerGetStringForButton(SDL_GameControllerButton(row)));
        } else if (row <= 22) {
            const bool negativeRow = (row % 2) == 1;
            if (negativeRow) {
                if (!mergeAxisHalves(bindings, row))
                    SDL_strlcat(out, "-", outSize);
            } else {
                SDL_strlcat(out, "+", outSize);
            }
            appendText(out, outSize, SDL_GameControllerGetStringForAxis(stickAxisOfRow(row)));
        } else {
            appendText(out, outSize,
                       SDL_GameControllerGetStringForAxis(row == 23 ? SDL_CONTROLLER_AXIS_TRIGGERLEFT
                                                                    : SDL_CONTROLLER_AXIS_TRIGGERRIGHT));
        }
        SDL_strlcat(out, ":", outSize);

        char token[MAPPING_TOKEN_SIZE];
        writeToken(bindings[row], token);
        SDL_strlcat(out, token, outSize);
        SDL_strlcat(out, ",", outSize);
    }
}

void buildMappingString(CapturedInput bindings[BINDING_ROWS], SDL_JoystickID instanceId, char* out,
                        size_t outSize)
{
    // A joystick that has gone gives SDL's all-zero GUID, which still makes a well-formed line.
    char guidText[MAPPING_TEXT_SIZE];
    SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(SDL_JoystickFromInstanceID(instanceId)), guidText,
                              sizeof guidText);
    buildMappingString(bindings, guidText, out, outSize);
}
