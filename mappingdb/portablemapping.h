#ifndef PORTABLEMAPPING_H
#define PORTABLEMAPPING_H
// Mapping lines that every SDL2 version reads. Since 2.26 SDL puts a CRC-16 of the device name into
// bytes 2-3 of a joystick GUID (hex digits 5-8 of its text); older versions compare GUIDs byte for
// byte with lines that hold 0000 there. The portable form keeps 0000 in the GUID and carries the CRC
// in a "crc:" field instead, which 2.26+ match on and older versions ignore:
//   <GUID, digits 5-8 = 0000>,<name>,platform:Linux,crc:<cccc>,<bindings…>,
// (no crc: field when the CRC is 0). Pure text functions; nothing else in the program knows this rule.

#include <QByteArray>
#include <QString>

// One gamepad as the program shows and stores it.
struct PadIdentity {
    QByteArray guid;    // portable GUID text (32 lower-case hex digits)
    quint16 crc = 0;    // the CRC its line carries: of the raw kernel name, else the one in SDL's GUID
    quint16 sdlCrc = 0; // the CRC in SDL's GUID (SDL 2.26-2.28 take it from a cleaned-up name)
};

// SDL's CRC-16 of a device name, as SDL puts it into a GUID.
quint16 nameCrc(const QByteArray& name);

// True for 32 hexadecimal digits.
bool isGuidText(const QByteArray& text);

// The CRC in digits 5-8 of a GUID text (bytes 2-3, little-endian); 0 for a malformed GUID and for a
// GUID whose first two bytes (the bus) mark a form without a CRC, as SDL reads it.
quint16 guidCrc(const QByteArray& guidText);

// The GUID text with digits 5-8 set to 0000 (where they hold a CRC) and in lower case; a malformed
// GUID is returned as it is.
QByteArray portableGuid(const QByteArray& guidText);

// The identity of a pad whose GUID SDL reports as sdlGuidText and whose device node has the kernel
// name kernelName; an empty kernelName (no node, e.g. a virtual joystick) leaves the CRC in SDL's GUID.
PadIdentity padIdentity(const QByteArray& sdlGuidText, const QByteArray& kernelName);

// "crc:cccc" for crc, lower-case hex; empty for 0.
QByteArray crcField(quint16 crc);

// Turns a mapping line (SDL's text, an older saved line, a database line) into the portable form.
// padCrc >= 0 is the pad's own CRC and wins; -1 keeps the line's (from its GUID, as SDL prefers,
// else from its crc: field). A line that is portable already comes back byte for byte; any other is
// rebuilt as GUID, name, its platform: field, crc:, the remaining fields in order, and a final comma.
// Refused (empty result, errorMessage says why): a malformed GUID, a crc: field whose value is not
// 4 hex digits, more than one crc: field, a line with no name field.
QByteArray portableMappingLine(const QByteArray& line, int padCrc = -1, QString* errorMessage = nullptr);
// The same, but a portable line is rebuilt too, so that the program's own lines (a rewritten one with
// its crc: field among the bindings) always come in the order GUID, name, platform:, crc:, the rest.
QByteArray canonicalMappingLine(const QByteArray& line, int padCrc = -1, QString* errorMessage = nullptr);

// Whether a line of the local mapping file is this pad's: its GUID (first field) with digits 5-8
// zeroed is pad.guid, and its CRC (GUID digits or crc: field) is absent or one of pad.crc and
// pad.sdlCrc. Comments, empty lines and lines of other pads are not. A line that cannot be read
// (see portableMappingLine) is not either, and problem says why; otherwise problem is cleared.
bool isPadLine(const QByteArray& line, const PadIdentity& pad, QString* problem = nullptr);

// The last of the newline-separated lines of text that is pad's (see isPadLine), as SDL would apply it;
// empty when none is.
QByteArray padLineIn(const QByteArray& text, const PadIdentity& pad);

#endif
