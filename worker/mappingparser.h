#ifndef MAPPINGPARSER_H
#define MAPPINGPARSER_H
// Reading a mapping line back into the 31 binding slots: the inverse of buildMappingString, so that one
// control of an existing mapping can be captured again and the line rewritten.

#include "bindingtable.h"
#include "capturedinput.h"

#include <QByteArray>
#include <QList>

struct ParsedMapping {
    QByteArray guid; // the first field, as written
    QByteArray name; // the second field
    // The bindings of the 31 rows, as the capture would hold them: a full stick axis is split into its
    // two halves, each resting at the centre, which buildMappingString merges back into the same entry.
    CapturedInput bindings[BINDING_ROWS] = {};
    // Every later field that is no binding of a row, in order and as written: "platform:Linux", "crc:…",
    // controls no row stands for ("misc2:b15", unknown to this SDL), and entries whose input the wizard
    // never writes for their control (a button on a whole stick axis). Empty fields are dropped.
    QList<QByteArray> otherFields;
};

// Parses line (one mapping, without its line end). Returns false, with parsed untouched, when the line
// has no GUID and name fields.
bool parseMapping(const QByteArray& line, ParsedMapping* parsed);

// The input side of an entry as the capture records it: "b4", "h0.3", "-a2", "+a2", "a2", "a2~". A
// whole axis ("a2") runs from -32768 to 32767, or the other way ("a2~"); a half from the centre.
// Returns false for anything else (ranges, other hats forms, junk).
bool parseInput(const QByteArray& token, CapturedInput* input);

// The line for parsed: buildMappingString's text with the name filled in, then the other fields but the
// platform (which the builder writes itself), each followed by ",".
QByteArray buildMapping(const ParsedMapping& parsed);

#endif
