#include "joystickguid.h"

JoystickGuid JoystickGuid::fromText(const QByteArray& text)
{
    JoystickGuid guid;
    if (text.size() != 32)
        return guid;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return guid;
    const QByteArray bytes = QByteArray::fromHex(text);

    const auto byteAt = [&bytes](int i) { return quint8(bytes.at(i)); };
    // SDL lays the GUID out as eight little-endian 16-bit words.
    const auto word = [&byteAt](int i) { return quint16(byteAt(2 * i) | byteAt(2 * i + 1) << 8); };

    guid.bus = word(0);
    const bool busWithCrc = guid.bus < 0x20 || guid.bus == kBusSdlVirtual;
    if (busWithCrc && word(3) == 0 && word(5) == 0) {
        guid.form = Ids;
        guid.crc = word(1);
        guid.vendor = word(2);
        guid.product = word(4);
        guid.version = word(6);
        guid.driverSignature = byteAt(14);
        guid.driverData = byteAt(15);
    } else if (guid.bus < 0x20) {
        guid.form = Name;
        guid.crc = word(1);
        // SDL_strlcpy ends the name with a zero byte within bytes 4-15, or within 4-13 when a driver
        // signature takes the last two.
        int end = 4;
        while (end < 16 && byteAt(end) != 0)
            ++end;
        guid.carriedName = bytes.mid(4, end - 4);
        if (end < 14) {
            guid.driverSignature = byteAt(14);
            guid.driverData = byteAt(15);
        }
    } else {
        guid.form = Other;
    }
    return guid;
}
