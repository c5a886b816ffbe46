#include "mappingline.h"

#include <SDL.h>

namespace
{
const int kGuidDigits = 32;
// SDL's name for every XInput device (Windows), which database lines carry in place of a GUID.
const QByteArray kXInputGuid = QByteArrayLiteral("xinput");
const QByteArray kPlatformPrefix = QByteArrayLiteral("platform:");
const QByteArray kCrcPrefix = QByteArrayLiteral("crc:");
// Fields that say something about the line rather than bind a control; SDL reads each by its key.
const char* const kAttributeKeys[] = {"platform", "crc", "hint", "sdk>=", "sdk<="};

bool fail(QString* errorMessage, const QString& text)
{
    if (errorMessage)
        *errorMessage = text;
    return false;
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

bool isBinding(const QByteArray& field)
{
    const int colon = field.indexOf(':');
    if (colon <= 0)
        return false;
    const QByteArray key = field.left(colon);
    for (const char* attribute : kAttributeKeys)
        if (key == attribute)
            return false;
    return true;
}

QString quoted(const QByteArray& text)
{
    return QStringLiteral("\"%1\"").arg(QString::fromUtf8(text.left(40)));
}
} // namespace

MappingLine MappingLine::forPad(const QByteArray& guid, quint16 crc, const QByteArray& name,
                                const QList<QByteArray>& bindings)
{
    MappingLine line;
    line.guid = guid;
    line.name = name;
    line.platform = SDL_GetPlatform();
    line.crc = crc;
    line.bindings = bindings;
    return line;
}

bool MappingLine::parse(const QByteArray& text, MappingLine* line, QString* errorMessage)
{
    QList<QByteArray> fields = text.split(',');
    if (!isGuidText(fields.first()) && fields.first() != kXInputGuid)
        return fail(errorMessage,
                    QStringLiteral("its GUID %1 is not 32 hex digits").arg(quoted(fields.first())));
    if (fields.size() < 2)
        return fail(errorMessage, QStringLiteral("it has no name"));

    MappingLine parsed;
    parsed.guid = fields.at(0);
    parsed.name = fields.at(1);
    bool crcSeen = false, platformSeen = false;
    quint16 fieldCrc = 0;
    for (int i = 2; i < fields.size(); ++i) {
        const QByteArray& field = fields.at(i);
        if (field.isEmpty())
            continue;
        if (field.startsWith(kCrcPrefix)) {
            if (crcSeen)
                return fail(errorMessage, QStringLiteral("it has more than one crc: field"));
            const QByteArray value = field.mid(kCrcPrefix.size());
            if (value.size() != 4 || !isHex(value))
                return fail(errorMessage,
                            QStringLiteral("its field %1 is not crc: and 4 hex digits").arg(quoted(field)));
            crcSeen = true;
            fieldCrc = quint16(value.toUInt(nullptr, 16));
        } else if (field.startsWith(kPlatformPrefix)) {
            if (platformSeen)
                return fail(errorMessage, QStringLiteral("it has more than one platform: field"));
            platformSeen = true;
            parsed.platform = field.mid(kPlatformPrefix.size());
        } else if (isBinding(field)) {
            parsed.bindings << field;
        } else {
            parsed.otherFields << field;
        }
    }
    parsed.crc = guidCrc(parsed.guid) ? guidCrc(parsed.guid) : fieldCrc;
    *line = parsed;
    if (errorMessage)
        errorMessage->clear();
    return true;
}

QByteArray MappingLine::guidField(const QByteArray& text)
{
    return text.left(text.indexOf(','));
}

QByteArray MappingLine::nameField(const QByteArray& text)
{
    const int start = text.indexOf(',') + 1;
    if (start == 0)
        return QByteArray();
    const int end = text.indexOf(',', start);
    return text.mid(start, end < 0 ? -1 : end - start);
}

bool MappingLine::mayRefuseAfterName(const QByteArray& text)
{
    return text.contains(kCrcPrefix) || text.count(kPlatformPrefix) > 1;
}

QByteArray MappingLine::text() const
{
    QByteArray out = portableGuid(guid) + ',' + name + ',';
    if (!platform.isEmpty())
        out += kPlatformPrefix + platform + ',';
    if (crc)
        out += kCrcPrefix + QByteArray::number(crc, 16).rightJustified(4, '0') + ',';
    for (const QByteArray& field : bindings)
        out += field + ',';
    for (const QByteArray& field : otherFields)
        out += field + ',';
    return fitted(out);
}

QByteArray MappingLine::fitted(const QByteArray& text)
{
    if (text.size() <= kMaxBytes)
        return text;
    int length = kMaxBytes;
    // Step back over continuation bytes so the cut falls before the character it would split.
    while (length > 0 && (static_cast<unsigned char>(text.at(length)) & 0xC0) == 0x80)
        --length;
    return text.left(length);
}

QList<QByteArray> MappingLine::splitLines(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    // A final "\n" ends the last line; the empty piece after it is no line of its own.
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

bool MappingLine::isBlankOrComment(const QByteArray& line)
{
    const QByteArray trimmed = line.trimmed();
    return trimmed.isEmpty() || trimmed.startsWith('#');
}

QString MappingLine::whySdlSkips(const QByteArray& line)
{
    if (isBlankOrComment(line))
        return QString();
    // As SDL's loader reads it: the first "platform:" anywhere in the line, its value up to the next
    // comma, compared with this platform's name without regard to case.
    const int at = line.indexOf(kPlatformPrefix);
    if (at < 0)
        return QStringLiteral("it has no platform: field");
    const int start = at + kPlatformPrefix.size();
    const int comma = line.indexOf(',', start);
    if (comma < 0)
        return QStringLiteral("its platform: field is not followed by a comma");
    const QByteArray value = line.mid(start, comma - start);
    const char* platform = SDL_GetPlatform();
    // SDL copies the value into a buffer of 64 bytes and gives up on a longer one.
    if (value.size() >= 62 || SDL_strcasecmp(value.constData(), platform) != 0)
        return QStringLiteral("it is for %1, not %2").arg(quoted(value), QString::fromUtf8(platform));
    MappingLine parsed;
    QString why;
    if (!parse(line, &parsed, &why))
        return why;
    return QString();
}

bool MappingLine::isGuidText(const QByteArray& text)
{
    return text.size() == kGuidDigits && isHex(text);
}

quint16 MappingLine::guidCrc(const QByteArray& guidText)
{
    if (!isGuidText(guidText) || !guidHoldsCrc(guidText))
        return 0;
    // Byte 2 is the low half of the number, byte 3 the high half.
    return quint16(guidText.mid(6, 2).toUInt(nullptr, 16) << 8 | guidText.mid(4, 2).toUInt(nullptr, 16));
}

QByteArray MappingLine::portableGuid(const QByteArray& guidText)
{
    if (!isGuidText(guidText))
        return guidText;
    QByteArray guid = guidText.toLower();
    if (guidHoldsCrc(guid))
        guid.replace(4, 4, "0000");
    return guid;
}
