#include "portablemapping.h"

#include "mappingline.h"

#include <SDL.h>

quint16 nameCrc(const QByteArray& name)
{
    return SDL_crc16(0, name.constData(), size_t(name.size()));
}

PadIdentity padIdentity(const QByteArray& sdlGuidText, const QByteArray& kernelName)
{
    PadIdentity pad;
    pad.guid = MappingLine::portableGuid(sdlGuidText);
    pad.sdlCrc = MappingLine::guidCrc(sdlGuidText);
    pad.crc = kernelName.isEmpty() ? pad.sdlCrc : nameCrc(kernelName);
    return pad;
}

bool isPadLine(const QByteArray& line, const PadIdentity& pad, QString* problem)
{
    if (problem)
        problem->clear();
    if (MappingLine::isBlankOrComment(line))
        return false;
    // Another pad's well-formed GUID tells at once: a file of many pads is not taken apart line by line.
    // A line with fields that may not read (crc:, a second platform:) is still read, so that it is
    // reported whoever's it is.
    const QByteArray guid = MappingLine::guidField(line);
    if (MappingLine::isGuidText(guid) && MappingLine::portableGuid(guid) != pad.guid &&
        !MappingLine::mayRefuseAfterName(line))
        return false;
    MappingLine parsed;
    if (!MappingLine::parse(line, &parsed, problem))
        return false;
    if (MappingLine::portableGuid(parsed.guid) != pad.guid)
        return false;
    return parsed.crc == 0 || parsed.crc == pad.crc || parsed.crc == pad.sdlCrc;
}

QByteArray padLineIn(const QByteArray& text, const PadIdentity& pad)
{
    QByteArray found;
    for (const QByteArray& line : MappingLine::splitLines(text))
        if (isPadLine(line, pad))
            found = line.trimmed();
    return found;
}
