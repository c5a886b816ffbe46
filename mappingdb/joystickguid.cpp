#include "joystickguid.h"

namespace
{
int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

JoystickGuid JoystickGuid::fromText(const QByteArray& text)
{
    return fromText(text.constData(), text.size());
}

JoystickGuid JoystickGuid::fromText(const char* text, int size)
{
    JoystickGuid guid;
    // Read without copying: a pad's relatives are looked for among every line of every source.
    if (size != 32)
        return guid;
    quint8 bytes[16];
    for (int i = 0; i < 16; ++i) {
        const int high = hexValue(text[2 * i]);
        const int low = hexValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return guid;
        bytes[i] = quint8(high << 4 | low);
    }

    const auto byteAt = [&bytes](int i) { return bytes[i]; };
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
        guid.carriedName = QByteArray(reinterpret_cast<const char*>(bytes) + 4, end - 4);
        if (end < 14) {
            guid.driverSignature = byteAt(14);
            guid.driverData = byteAt(15);
        }
    } else {
        guid.form = Other;
    }
    return guid;
}
