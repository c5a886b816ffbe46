#include "sdllinecheck.h"

#include "joystickguid.h"
#include "mappingline.h"

#include <SDL.h>
#include <algorithm>

SourcedLine ownPadLine(const PadIdentity& pad, const QList<SourcedLine>& lines)
{
    SourcedLine own;
    for (const SourcedLine& sourced : lines)
        if (isPadLine(sourced.line, pad))
            own = sourced;
    return own;
}

bool parseSdlLine(const QByteArray& text, MappingLine* line)
{
    // SDL writes the device's GUID, CRC included, before the line it applies: the line's own CRC is
    // the one in its crc: field.
    const QByteArray guid = MappingLine::guidField(text);
    return MappingLine::parse(MappingLine::portableGuid(guid) + text.mid(guid.size()), line);
}

bool sameMapping(const MappingLine& a, const MappingLine& b)
{
    QList<QByteArray> aBindings = a.bindings;
    QList<QByteArray> bBindings = b.bindings;
    std::sort(aBindings.begin(), aBindings.end());
    std::sort(bBindings.begin(), bBindings.end());
    return a.name == b.name && aBindings == bBindings;
}

namespace
{
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
    MappingLine sdl;
    MappingLine own;
    const bool sdlMaps = parseSdlLine(sdlLine, &sdl) && !sdl.bindings.isEmpty();
    MappingLine::parse(check.ownLine.line, &own);
    const QString padText = quoted(padName);

    if (!sdlMaps) {
        check.state = hasOwn ? SdlLineCheck::OwnLineUnused : SdlLineCheck::Unmapped;
        if (hasOwn)
            check.logText = QStringLiteral("SDL maps no control of %1 although the %2 holds a line for it: "
                                           "SDL did not take that line")
                                .arg(padText, mappingOriginLabel(check.ownLine.origin));
        return check;
    }

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
        MappingLine fields;
        MappingLine::parse(relative.source.line, &fields);
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
    // A line the program cannot read still maps the pad for SDL.
    MappingLine line;
    return !parseSdlLine(sdlLineForDevice(deviceIndex), &line) || !line.bindings.isEmpty();
}
