#include "portablemapping.h"

#include <QList>
#include <SDL.h>

namespace
{
const int kGuidDigits = 32;
const QByteArray kCrcPrefix = QByteArrayLiteral("crc:");
const QByteArray kPlatformPrefix = QByteArrayLiteral("platform:");

void setError(QString* errorMessage, const QString& text)
{
    if (errorMessage)
        *errorMessage = text;
}

bool isHex(const QByteArray& text)
{
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

// The GUID's first two bytes, little-endian: SDL keeps a CRC only in GUIDs of a hardware bus (below
// 0x20) or of its virtual driver (0xff).
bool guidHoldsCrc(const QByteArray& guidText)
{
    const uint bus = guidText.mid(2, 2).toUInt(nullptr, 16) << 8 | guidText.mid(0, 2).toUInt(nullptr, 16);
    return bus < 0x20 || bus == 0xff;
}

// True when line starts with a GUID that differs from guid in digits other than the CRC's (5-8): then
// it is another pad's, whatever its CRC. Compared in place, as a save reads every line of the file.
bool differsOutsideCrc(const QByteArray& line, const QByteArray& guid)
{
    if (line.size() < kGuidDigits || (line.size() > kGuidDigits && line.at(kGuidDigits) != ',') ||
        guid.size() != kGuidDigits)
        return false;
    for (int i = 0; i < kGuidDigits; ++i) {
        if (i >= 4 && i < 8)
            continue;
        const char c = line.at(i);
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false; // not a GUID: left to the full reading, which says why
        if ((c | 0x20) != (guid.at(i) | 0x20))
            return true;
    }
    return false;
}

// A mapping line split into what the rule reads; fields keep their text.
struct ParsedLine {
    QList<QByteArray> fields; // without the empty piece after a final comma
    int crcField = -1;        // index of the crc: field
    quint16 lineCrc = 0;      // the line's CRC: GUID digits first, as SDL takes them, else crc:
};

bool parseLine(const QByteArray& line, ParsedLine* parsed, QString* errorMessage)
{
    parsed->fields = line.split(',');
    if (parsed->fields.size() > 1 && parsed->fields.last().isEmpty())
        parsed->fields.removeLast();
    const QByteArray& guid = parsed->fields.first();
    if (!isGuidText(guid)) {
        setError(
            errorMessage,
            QStringLiteral("its GUID \"%1\" is not 32 hex digits").arg(QString::fromUtf8(guid.left(40))));
        return false;
    }
    if (parsed->fields.size() < 2) {
        setError(errorMessage, QStringLiteral("it has no name"));
        return false;
    }
    quint16 fieldCrc = 0;
    for (int i = 2; i < parsed->fields.size(); ++i) {
        const QByteArray& field = parsed->fields.at(i);
        if (!field.startsWith(kCrcPrefix))
            continue;
        if (parsed->crcField >= 0) {
            setError(errorMessage, QStringLiteral("it has more than one crc: field"));
            return false;
        }
        const QByteArray value = field.mid(kCrcPrefix.size());
        if (value.size() != 4 || !isHex(value)) {
            setError(errorMessage, QStringLiteral("its field \"%1\" is not crc: and 4 hex digits")
                                       .arg(QString::fromUtf8(field.left(40))));
            return false;
        }
        parsed->crcField = i;
        fieldCrc = quint16(value.toUInt(nullptr, 16));
    }
    parsed->lineCrc = guidCrc(guid) ? guidCrc(guid) : fieldCrc;
    setError(errorMessage, QString());
    return true;
}
} // namespace

quint16 nameCrc(const QByteArray& name)
{
    return SDL_crc16(0, name.constData(), size_t(name.size()));
}

bool isGuidText(const QByteArray& text)
{
    return text.size() == kGuidDigits && isHex(text);
}

quint16 guidCrc(const QByteArray& guidText)
{
    if (!isGuidText(guidText) || !guidHoldsCrc(guidText))
        return 0;
    // Byte 2 is the low half of the number, byte 3 the high half.
    return quint16(guidText.mid(6, 2).toUInt(nullptr, 16) << 8 | guidText.mid(4, 2).toUInt(nullptr, 16));
}

QByteArray portableGuid(const QByteArray& guidText)
{
    if (!isGuidText(guidText))
        return guidText;
    QByteArray guid = guidText.toLower();
    if (guidHoldsCrc(guid))
        guid.replace(4, 4, "0000");
    return guid;
}

PadIdentity padIdentity(const QByteArray& sdlGuidText, const QByteArray& kernelName)
{
    PadIdentity pad;
    pad.guid = portableGuid(sdlGuidText);
    pad.sdlCrc = guidCrc(sdlGuidText);
    pad.crc = kernelName.isEmpty() ? pad.sdlCrc : nameCrc(kernelName);
    return pad;
}

QByteArray crcField(quint16 crc)
{
    return crc ? kCrcPrefix + QByteArray::number(crc, 16).rightJustified(4, '0') : QByteArray();
}

namespace
{
QByteArray convertLine(const QByteArray& line, int padCrc, bool keepPortable, QString* errorMessage)
{
    ParsedLine parsed;
    if (!parseLine(line, &parsed, errorMessage))
        return QByteArray();
    const quint16 crc = padCrc >= 0 ? quint16(padCrc) : parsed.lineCrc;
    const QByteArray guid = portableGuid(parsed.fields.first());
    const QByteArray wanted = crcField(crc);
    const QByteArray present = parsed.crcField >= 0 ? parsed.fields.at(parsed.crcField) : QByteArray();
    if (keepPortable && guid == parsed.fields.first() && wanted == present && line.endsWith(','))
        return line;

    QList<QByteArray> rest = parsed.fields.mid(2);
    if (parsed.crcField >= 0)
        rest.removeAt(parsed.crcField - 2);
    QByteArray out = guid + ',' + parsed.fields.at(1) + ',';
    for (int i = 0; i < rest.size(); ++i) {
        if (rest.at(i).startsWith(kPlatformPrefix)) {
            out += rest.takeAt(i) + ',';
            break;
        }
    }
    if (!wanted.isEmpty())
        out += wanted + ',';
    for (const QByteArray& field : rest)
        out += field + ',';
    return out;
}
} // namespace

QByteArray portableMappingLine(const QByteArray& line, int padCrc, QString* errorMessage)
{
    return convertLine(line, padCrc, true, errorMessage);
}

QByteArray canonicalMappingLine(const QByteArray& line, int padCrc, QString* errorMessage)
{
    return convertLine(line, padCrc, false, errorMessage);
}

bool isPadLine(const QByteArray& line, const PadIdentity& pad, QString* problem)
{
    setError(problem, QString());
    const QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith('#'))
        return false;
    // Most lines are other pads': their GUID alone says so, without taking the whole line apart (a
    // file of many thousand lines is read at every save).
    // A crc: field is still read, so that one that cannot be is reported whoever's line it is.
    if (differsOutsideCrc(line, pad.guid) && !line.contains(kCrcPrefix))
        return false;
    ParsedLine parsed;
    if (!parseLine(line, &parsed, problem))
        return false;
    if (portableGuid(parsed.fields.first()) != pad.guid)
        return false;
    return parsed.lineCrc == 0 || parsed.lineCrc == pad.crc || parsed.lineCrc == pad.sdlCrc;
}

QByteArray padLineIn(const QByteArray& text, const PadIdentity& pad)
{
    QByteArray found;
    for (const QByteArray& line : text.split('\n'))
        if (isPadLine(line, pad))
            found = line.trimmed();
    return found;
}
