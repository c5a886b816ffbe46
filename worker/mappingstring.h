#ifndef MAPPINGSTRING_H
#define MAPPINGSTRING_H
// Turning the 31 binding slots into the binding fields of a mapping line ("a:b0", "-leftx:-a0", …).
// The rest of the line (GUID, name, platform, CRC) is the mapping line's own business.

#include "bindingtable.h"
#include "capturedinput.h"

#include <QByteArray>
#include <QList>
#include <SDL.h>
#include <stddef.h>

enum { MAPPING_TOKEN_SIZE = 12 };

// For the negative-half row of a stick (15, 17, 19 or 21): when it and the stick's positive-half row
// hold the same axis with the same rest position, makes row one full axis (value = its end, extreme =
// the positive row's end), empties the positive row and returns true. Otherwise changes nothing and
// returns false.
bool mergeAxisHalves(CapturedInput bindings[BINDING_ROWS], int row);

// One "name:token" field per non-empty slot, in row order: the control's name as SDL spells it (with
// "-" or "+" for one half of a stick axis), then the input ("b4", "h0.3", "-a0", "a2~", at most
// MAPPING_TOKEN_SIZE - 1 characters). The two halves of a stick axis make one full-axis field where
// mergeAxisHalves merges them; the slots themselves are left as they are.
QList<QByteArray> bindingFields(const CapturedInput bindings[BINDING_ROWS]);

// ---- Transitional: the worker still emits a line of text; removed once it hands over the bindings
// ---- and the line is built as a MappingLine.

enum { MAPPING_TEXT_SIZE = 1024 };

// Writes guidText, ",%GAMEPAD_NAME%,platform:<SDL_GetPlatform()>," and each of bindingFields followed
// by "," into out (NUL-terminated, every append bounded by outSize, excess dropped). Nothing is written
// when out is NULL or outSize is 0; a NULL guidText counts as empty.
void buildMappingString(const CapturedInput bindings[BINDING_ROWS], const char* guidText, char* out,
                        size_t outSize = MAPPING_TEXT_SIZE);

// The same, with the GUID text of the joystick that has instanceId (what SDL gives when it is gone).
void buildMappingString(const CapturedInput bindings[BINDING_ROWS], SDL_JoystickID instanceId, char* out,
                        size_t outSize = MAPPING_TEXT_SIZE);

#endif
