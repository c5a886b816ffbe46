#ifndef SDLLINECHECK_H
#define SDLLINECHECK_H
// A pad's own line among the program's sources, and what SDL applies to the pad compared with it: SDL
// before 2.30.5 keeps one line per GUID (two pads with the same ids share the later one's), and SDL 2.26
// and later apply the line of a pad with another version or CRC, which older versions do not.

#include "mappingline.h"
#include "mappingsources.h"
#include "padrelatives.h"
#include "portablemapping.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The pad's own line: the last of lines (lowest priority first) that isPadLine says is pad's, so the
// one SDL ends up with; a SourcedLine with an empty line when none is.
SourcedLine ownPadLine(const PadIdentity& pad, const QList<SourcedLine>& lines);

struct SdlLineCheck {
    enum State {
        Unmapped,      // SDL maps no control of the pad, and the sources have no line for it
        OwnLine,       // SDL applies the pad's own line (same name and bindings)
        OtherPadsLine, // SDL applies another pad's line: one with another CRC, or not the pad's own line
        SdlOnly,       // SDL maps the pad, but no source has a line for it: a line built into SDL, one SDL
                       // made up, or a relative's that SDL 2.26 and later apply
        OwnLineUnused, // a source has the pad's line, but SDL maps no control of the pad
    };
    State state = Unmapped;
    SourcedLine ownLine; // as ownPadLine
    QByteArray sdlLine;  // the line SDL applies, as given
    // The pad's line to copy, to set and to fix one control of, in its portable form (relativeLineForPad):
    // its own line whatever SDL holds; for SdlOnly, SDL's line; empty when the pad has none (Unmapped,
    // OtherPadsLine without an own line), never another pad's.
    QByteArray padLine;
    bool sdlLineIsRelative = false;
    PadRelative sdlRelative; // SdlOnly: the relative whose name and bindings SDL's line has, if any
    QString logText;         // what the log says for the selected pad; empty for Unmapped and OwnLine
};

// Compares sdlLine (SDL's line for the pad, see sdlLineForDevice; empty or binding no control when SDL
// maps none) with the pad's own line among lines. padName is the name SDL reports for the pad.
SdlLineCheck checkSdlLine(const PadIdentity& pad, const QByteArray& padName, const QByteArray& sdlLine,
                          const QList<SourcedLine>& lines);

// Reads a line as SDL hands it out (SDL_GameControllerMappingForGUID and the like): the GUID SDL writes
// carries the device's CRC, so line's crc is the one in its crc: field. False when MappingLine::parse
// refuses it.
bool parseSdlLine(const QByteArray& text, MappingLine* line);

// Whether a and b map alike: the same name and the same bindings, in any order.
bool sameMapping(const MappingLine& a, const MappingLine& b);

// The line SDL applies to the device at deviceIndex, as SDL_IsGameController and SDL_GameControllerOpen
// find it (SDL_GameControllerMappingForDeviceIndex); empty when SDL has none.
QByteArray sdlLineForDevice(int deviceIndex);

// Whether SDL maps at least one control of the device at deviceIndex. A pad whose tried line was
// discarded (RelativeTrial) is a game controller for SDL with no bindings, and is not mapped by this rule:
// the list and the commands that need a mapping go by it rather than by SDL_IsGameController.
bool sdlMapsDevice(int deviceIndex);

#endif
