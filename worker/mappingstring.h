#ifndef MAPPINGSTRING_H
#define MAPPINGSTRING_H
// Turning the 31 binding slots into one line of SDL2's game-controller mapping format.

#include "bindingtable.h"
#include "capturedinput.h"

#include <SDL.h>
#include <stddef.h>

enum { MAPPING_TEXT_SIZE = 1024, MAPPING_TOKEN_SIZE = 12 };

// For the negative-half row of a stick (15, 17, 19 or 21): when it and the stick's positive-half row
// hold the same axis with the same rest position, makes row one full axis (value = its end, extreme =
// the positive row's end), empties the positive row and returns true. Otherwise changes nothing and
// returns false.
bool mergeAxisHalves(CapturedInput bindings[BINDING_ROWS], int row);

// Writes guidText, ",%GAMEPAD_NAME%,platform:<SDL_GetPlatform()>," and one "name:token," entry per
// non-empty slot, in row order, into out (NUL-terminated, every append bounded by outSize, excess
// dropped). Nothing is written when out is NULL or outSize is 0; a NULL guidText counts as empty.
// The two halves of a stick axis are written as one full axis where mergeAxisHalves merges them; the
// slots themselves are left as they are.
void buildMappingString(const CapturedInput bindings[BINDING_ROWS], const char* guidText, char* out,
                        size_t outSize = MAPPING_TEXT_SIZE);

// The same, with the GUID text of the joystick that has instanceId (what SDL gives when it is gone).
void buildMappingString(const CapturedInput bindings[BINDING_ROWS], SDL_JoystickID instanceId, char* out,
                        size_t outSize = MAPPING_TEXT_SIZE);

#endif
