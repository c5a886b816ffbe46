#ifndef BINDINGFIELDS_H
#define BINDINGFIELDS_H
// The binding fields of a mapping line ("a:b0", "-leftx:-a0", …) and the 31 binding slots they stand
// for, both ways: the capture's slots written as fields, and an existing line's fields read back into
// slots so that one control can be captured again. The rest of the line (GUID, name, platform, CRC) is
// MappingLine's business.

#include "bindingtable.h"
#include "capturedinput.h"

#include <QByteArray>
#include <QList>

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

// Fills bindings (cleared first) from fields ("key:input", as a mapping line's bindings hold them), as
// the capture would hold them: a full stick axis is split into its two halves, each resting at the
// centre, which bindingFields merges back into the same field. Every field that is no binding of a row
// goes to otherFields (if given), in order and as written: controls no row stands for ("misc2:b15",
// unknown to this SDL), entries whose input the wizard never writes for their control (a button on a
// whole stick axis), a second binding for a row that has one. Empty fields are dropped.
void parseBindingFields(const QList<QByteArray>& fields, CapturedInput bindings[BINDING_ROWS],
                        QList<QByteArray>* otherFields);

// The input side of an entry as the capture records it: "b4", "h0.3", "-a2", "+a2", "a2", "a2~". A
// whole axis ("a2") runs from -32768 to 32767, or the other way ("a2~"); a half from the centre.
// Returns false for anything else (ranges, other hats forms, junk).
bool parseInput(const QByteArray& token, CapturedInput* input);

#endif
