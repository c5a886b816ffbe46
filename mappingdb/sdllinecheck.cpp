#include "sdllinecheck.h"

#include "joystickguid.h"
#include "mappinglinefields.h"

#include <SDL.h>

SourcedLine ownPadLine(const PadIdentity& pad, const QList<SourcedLine>& lines)
{
    SourcedLine own;
    for (const SourcedLine& sourced : lines)
        if (isPadLine(sourced.line, pad))
            own = sourced;
    return own;
}

namespace
{
bool sameMapping(const MappingLineFields& a, const MappingLineFields& b)
{
    return a.name == b.name && a.bindings == b.bindings;
}

QString quoted(const QByteArray& name)
{
    return QLatin1Char('"') + QString::fromUtf8(name) + QLatin1Char('"');
}
} // namespace

SdlLineCheck checkSdlLine(const PadIdentity& pad, const QByteArray& padName, const QByteArray& sdlLine,
                          const QList<SourcedLine>& lines)
{
    SdlLineCheck check;
    check.sdlLine = sdlLine;
    check.ownLine = ownPadLine(pad, lines);
    const bool hasOwn = !check.ownLine.line.isEmpty();
    if (hasOwn)
        check.padLine = relativeLineForPad(check.ownLine.line, pad);
    const MappingLineFields sdl = MappingLineFields::read(sdlLine);
    const MappingLineFields own = MappingLineFields::read(check.ownLine.line);
    const bool sdlMaps = sdl.valid && !sdl.bindings.isEmpty();
    const QString padText = quoted(padName);

    if (!sdlMaps) {
        check.state = hasOwn ? SdlLineCheck::OwnLineUnused : SdlLineCheck::Unmapped;
        if (hasOwn)
            check.logText = QStringLiteral("SDL maps no control of %1 although the %2 holds a line for it: "
                                           "SDL did not take that line")
                                .arg(padText, mappingOriginLabel(check.ownLine.origin));
        return check;
    }

    // SDL's own CRC lies in the GUID it writes for the device; only the crc: field names the line's pad.
    const bool otherCrc = sdl.crc != 0 && sdl.crc != pad.crc && sdl.crc != pad.sdlCrc;
    if (!otherCrc && hasOwn && sameMapping(sdl, own)) {
        check.state = SdlLineCheck::OwnLine;
        return check;
    }
    if (otherCrc || hasOwn) {
        check.state = SdlLineCheck::OtherPadsLine;
        const QString crc =
            sdl.crc ? QStringLiteral(" (crc %1)").arg(sdl.crc, 4, 16, QLatin1Char('0')) : QString();
        const QString ownText = hasOwn ? QStringLiteral("this pad's own line is the one in the %1")
                                             .arg(mappingOriginLabel(check.ownLine.origin))
                                       : QStringLiteral("this pad has no line of its own");
        check.logText =
            QStringLiteral("SDL applies another pad's line to %1: that of %2%3, which has the same "
                           "GUID (SDL before 2.30.5 keeps one line per GUID); %4")
                .arg(padText, quoted(sdl.name), crc, ownText);
        return check;
    }

    check.state = SdlLineCheck::SdlOnly;
    check.padLine = relativeLineForPad(sdlLine, pad);
    // SDL falls back to lines for the same bus, ids and driver only; the version or the CRC may differ.
    const JoystickGuid padGuid = JoystickGuid::fromText(pad.guid);
    for (const PadRelative& relative : findRelatives(pad, padName, lines)) {
        const MappingLineFields fields = MappingLineFields::read(relative.source.line);
        const JoystickGuid guid = JoystickGuid::fromText(fields.guid);
        if (guid.bus == padGuid.bus && guid.driverSignature == padGuid.driverSignature &&
            guid.driverData == padGuid.driverData && sameMapping(fields, sdl)) {
            check.sdlLineIsRelative = true;
            check.sdlRelative = relative;
            break;
        }
    }
    if (check.sdlLineIsRelative)
        check.logText = QStringLiteral("%1 is mapped only by SDL 2.26 and later, which apply the line of a "
                                       "similar pad to it (%2, %3, from the %4); games with older SDL do not "
                                       "see it. Keep the line to save it for this pad's own GUID")
                            .arg(padText, quoted(sdl.name), check.sdlRelative.description(),
                                 mappingOriginLabel(check.sdlRelative.source.origin));
    else
        check.logText =
            QStringLiteral("%1 is mapped by a line of SDL's own (%2), which none of the program's "
                           "mappings holds; games with another SDL version may not see it. Keep "
                           "the line to save it for this pad's own GUID")
                .arg(padText, quoted(sdl.name));
    return check;
}

QByteArray sdlLineForDevice(int deviceIndex)
{
    char* mapping = SDL_GameControllerMappingForDeviceIndex(deviceIndex);
    const QByteArray line(mapping ? mapping : "");
    SDL_free(mapping);
    return line;
}

bool sdlMapsDevice(int deviceIndex)
{
    if (!SDL_IsGameController(deviceIndex))
        return false;
    const MappingLineFields fields = MappingLineFields::read(sdlLineForDevice(deviceIndex));
    return fields.valid && !fields.bindings.isEmpty();
}
