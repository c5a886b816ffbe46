#ifndef MAPPINGPARSER_H
#define MAPPINGPARSER_H
// Reading the binding fields of a mapping line back into the 31 binding slots: the inverse of
// bindingFields, so that one control of an existing mapping can be captured again and its fields
// written anew.

#include "bindingtable.h"
#include "capturedinput.h"

#include <QByteArray>
#include <QList>

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

// ---- Transitional: app/mainwindow.cpp still rewrites line texts; removed when the session layer reads
// ---- and writes lines as a MappingLine.

struct ParsedMapping {
    QByteArray guid; // the first field, as written
    QByteArray name; // the second field
    CapturedInput bindings[BINDING_ROWS] = {};
    QList<QByteArray> otherFields; // every later field that is no binding of a row (parseBindingFields)
};

// Splits line at its commas: the first two fields are the GUID and the name, the rest go through
// parseBindingFields. Returns false, with parsed untouched, when the line has no GUID and name fields.
bool parseMapping(const QByteArray& line, ParsedMapping* parsed);

// GUID, name, bindingFields and the other fields, each followed by ",".
QByteArray buildMapping(const ParsedMapping& parsed);

#endif
