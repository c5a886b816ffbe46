#ifndef PORTABLEMAPPING_H
#define PORTABLEMAPPING_H
// Which gamepad a mapping line is for: a pad's identity as its lines name it (the portable GUID and its
// CRCs, see mappingline.h), and finding the pad's own line among others. Pure text functions.

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

// The identity of a pad whose GUID SDL reports as sdlGuidText and whose device node has the kernel
// name kernelName; an empty kernelName (no node, e.g. a virtual joystick) leaves the CRC in SDL's GUID.
PadIdentity padIdentity(const QByteArray& sdlGuidText, const QByteArray& kernelName);

// Whether a line of a mapping file is this pad's: its GUID with digits 5-8 zeroed is pad.guid, and its
// CRC (GUID digits or crc: field) is absent or one of pad.crc and pad.sdlCrc. Blank lines, comments
// and lines of other pads are not. A line that cannot be read (MappingLine::parse) is not either, and
// problem says why; otherwise problem is cleared.
bool isPadLine(const QByteArray& line, const PadIdentity& pad, QString* problem = nullptr);

// The last of the lines of text (MappingLine::splitLines) that is pad's (see isPadLine), as SDL would
// apply it, as written; empty when none is.
QByteArray padLineIn(const QByteArray& text, const PadIdentity& pad);

#endif
