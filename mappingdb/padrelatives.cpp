#include "padrelatives.h"

#include "joystickguid.h"
#include "mappingline.h"

#include <QSet>
#include <SDL.h>

namespace
{
QString hex4(quint16 value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

QString busText(quint16 bus)
{
    switch (bus) {
    case kBusUsb:
        return QStringLiteral("over USB");
    case kBusBluetooth:
        return QStringLiteral("over Bluetooth");
    case kBusLinuxVirtual:
        return QStringLiteral("as a virtual device");
    case kBusSdlVirtual:
        return QStringLiteral("as an SDL virtual joystick");
    case kBusUnknown:
        return QStringLiteral("over an unknown bus");
    default:
        return QStringLiteral("over bus 0x%1").arg(bus, 2, 16, QLatin1Char('0'));
    }
}

QString driverText(quint8 signature)
{
    switch (signature) {
    case 0:
        return QStringLiteral("through the system's driver");
    case 'h':
        return QStringLiteral("through SDL's HIDAPI driver");
    default:
        return QStringLiteral("through SDL's driver 0x%1").arg(signature, 2, 16, QLatin1Char('0'));
    }
}

// Whether a line's GUID field is guid but for the CRC digits 5-8: only such a line can be the pad's own
// (isPadLine).
bool differsOnlyInCrc(const QByteArray& lineGuid, const QByteArray& guid)
{
    return lineGuid.size() == 32 && guid.size() == 32 &&
           qstrnicmp(lineGuid.constData(), guid.constData(), 4) == 0 &&
           qstrnicmp(lineGuid.constData() + 8, guid.constData() + 8, 24) == 0;
}

QByteArray simplifiedName(const QByteArray& name)
{
    return name.simplified().toLower();
}

// How line's GUID (with lineCrc, the line's CRC) differs from the pad's.
QStringList differences(const JoystickGuid& pad, const PadIdentity& identity, const JoystickGuid& line,
                        quint16 lineCrc)
{
    QStringList out;
    if (line.hasIds() && !pad.hasIds())
        out << QStringLiteral("with ids %1:%2").arg(hex4(line.vendor), hex4(line.product));
    if (line.bus != pad.bus)
        out << busText(line.bus);
    if (line.hasIds() && pad.hasIds() && line.version != pad.version)
        out << QStringLiteral("firmware 0x%1").arg(hex4(line.version));
    if (lineCrc != 0 && lineCrc != identity.crc && lineCrc != identity.sdlCrc)
        out << QStringLiteral("another name");
    // SDL's virtual joysticks carry their own driver signature; their bus says so already.
    const bool driverDiffers =
        line.driverSignature != pad.driverSignature || line.driverData != pad.driverData;
    if (driverDiffers && line.bus != kBusSdlVirtual && pad.bus != kBusSdlVirtual)
        out << driverText(line.driverSignature);
    if (out.isEmpty())
        out << QStringLiteral("another GUID");
    return out;
}
} // namespace

QList<PadRelative> findRelatives(const PadIdentity& pad, const QByteArray& padName,
                                 const QList<SourcedLine>& lines)
{
    const JoystickGuid padGuid = JoystickGuid::fromText(pad.guid);
    const QByteArray padSimpleName = simplifiedName(padName);

    QList<PadRelative> relatives;
    QSet<QByteArray> seen;
    // The later a source comes, the higher it ranks; within one, its lines keep their order.
    for (int origin = int(MappingOrigin::Session); origin >= int(MappingOrigin::CommunityDatabase);
         --origin) {
        for (const SourcedLine& sourced : lines) {
            if (int(sourced.origin) != origin)
                continue;
            // Every line of every source is looked at: it is read as far as deciding takes (its GUID
            // field, then perhaps its name field), and taken apart only when it is a relative.
            const QByteArray guidText = MappingLine::guidField(sourced.line);
            const JoystickGuid guid = JoystickGuid::fromText(guidText);
            if (guid.form == JoystickGuid::Invalid)
                continue;
            bool related = false;
            if (padGuid.hasIds()) {
                related = guid.hasIds() && guid.vendor == padGuid.vendor && guid.product == padGuid.product;
            } else {
                related = (padGuid.form == JoystickGuid::Name && guid.form == JoystickGuid::Name &&
                           !padGuid.carriedName.isEmpty() && guid.carriedName == padGuid.carriedName) ||
                          (!padSimpleName.isEmpty() &&
                           simplifiedName(MappingLine::nameField(sourced.line)) == padSimpleName);
            }
            if (!related || seen.contains(sourced.line) ||
                (differsOnlyInCrc(guidText, pad.guid) && isPadLine(sourced.line, pad)))
                continue;
            MappingLine line;
            if (!MappingLine::parse(sourced.line, &line))
                continue;
            seen.insert(sourced.line);
            relatives.append({sourced, differences(padGuid, pad, guid, line.crc)});
        }
    }
    return relatives;
}

QByteArray relativeLineForPad(const QByteArray& line, const PadIdentity& pad, QString* errorMessage)
{
    MappingLine rewritten;
    if (!MappingLine::parse(line, &rewritten, errorMessage))
        return QByteArray();
    rewritten.guid = pad.guid;
    rewritten.crc = pad.crc;
    // Files need this platform (SDL skips their lines without it), and a relative from
    // SDL_GAMECONTROLLERCONFIG may name another.
    rewritten.platform = SDL_GetPlatform();
    return rewritten.text();
}

QString relativesLogText(const QByteArray& padName, int count)
{
    const QString name = QString::fromUtf8(padName);
    if (count <= 0)
        return QStringLiteral("\"%1\": no similar pad with a known line").arg(name);
    return QStringLiteral("\"%1\": %2 similar pad(s) with a known line").arg(name).arg(count);
}
