#include "padrelatives.h"

#include "joystickguid.h"
#include "mappinglinefields.h"

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

QByteArray simplifiedName(const QByteArray& name)
{
    return name.simplified().toLower();
}

// How line's GUID (with lineCrc, from the GUID or its crc: field) differs from the pad's.
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
    for (int origin = int(MappingOrigin::ConfiguredVariable); origin >= int(MappingOrigin::CommunityDatabase);
         --origin) {
        for (const SourcedLine& sourced : lines) {
            if (int(sourced.origin) != origin)
                continue;
            // The GUID and the name decide; most lines are another model's, and are not read further.
            int guidEnd = 0;
            int nameEnd = 0;
            if (!MappingLineFields::findHead(sourced.line, &guidEnd, &nameEnd))
                continue;
            const JoystickGuid guid = JoystickGuid::fromText(sourced.line.constData(), guidEnd);
            if (guid.form == JoystickGuid::Invalid)
                continue;
            bool related = false;
            if (padGuid.hasIds()) {
                related = guid.hasIds() && guid.vendor == padGuid.vendor && guid.product == padGuid.product;
            } else {
                related =
                    (padGuid.form == JoystickGuid::Name && guid.form == JoystickGuid::Name &&
                     !padGuid.carriedName.isEmpty() && guid.carriedName == padGuid.carriedName) ||
                    (!padSimpleName.isEmpty() &&
                     simplifiedName(sourced.line.mid(guidEnd + 1, nameEnd - guidEnd - 1)) == padSimpleName);
            }
            if (!related || isPadLine(sourced.line, pad))
                continue;
            const QByteArray text = sourced.line.trimmed();
            if (seen.contains(text))
                continue;
            seen.insert(text);
            const quint16 lineCrc = guid.crc ? guid.crc : MappingLineFields::read(sourced.line).crc;
            relatives.append({sourced, differences(padGuid, pad, guid, lineCrc)});
        }
    }
    return relatives;
}

QByteArray relativeLineForPad(const QByteArray& line, const PadIdentity& pad, QString* errorMessage)
{
    QList<QByteArray> fields = line.trimmed().split(',');
    fields[0] = pad.guid;
    // This platform's field after the name, where the portable form keeps it: files need it (SDL skips
    // their lines without it), and a relative from SDL_GAMECONTROLLERCONFIG may name another platform.
    if (fields.size() >= 2) {
        for (int i = fields.size() - 1; i >= 2; --i)
            if (fields.at(i).trimmed().startsWith("platform:"))
                fields.removeAt(i);
        fields.insert(2, "platform:" + QByteArray(SDL_GetPlatform()));
    }
    return portableMappingLine(fields.join(','), pad.crc, errorMessage);
}

QString relativesLogText(const QByteArray& padName, int count)
{
    const QString name = QString::fromUtf8(padName);
    if (count <= 0)
        return QStringLiteral("\"%1\": no similar pad with a known line").arg(name);
    return QStringLiteral("\"%1\": %2 similar pad(s) with a known line").arg(name).arg(count);
}
