#ifndef JOYSTICKGUID_H
#define JOYSTICKGUID_H
// A joystick GUID taken apart as SDL itself reads one (SDL_GetJoystickGUIDInfo): bus, name CRC, vendor,
// product, version and driver bytes, or, for a device without vendor and product ids, the start of its
// name. Lets the program tell which pads are the same model without asking SDL about a device.

#include <QByteArray>
#include <QtGlobal>

struct JoystickGuid {
    // Ids: bus, CRC, vendor, 0, product, 0, version, driver signature and data (SDL_CreateJoystickGUID
    // with both ids). Name: bus, CRC and up to 11 bytes of the device's name from byte 4. Other: any
    // other 16 bytes (a form SDL does not take apart). Invalid: not 32 hexadecimal digits.
    enum Form { Invalid, Ids, Name, Other };

    Form form = Invalid;
    quint16 bus = 0;
    quint16 crc = 0;
    quint16 vendor = 0;
    quint16 product = 0;
    quint16 version = 0;
    quint8 driverSignature = 0; // 'h' HIDAPI, 'v' SDL's virtual joysticks, 0 the system's driver
    quint8 driverData = 0;
    QByteArray carriedName; // Name form only: the name bytes up to the first zero byte

    // The GUID text (32 hex digits, either case) read as SDL reads it; form Invalid for any other text.
    // The second form reads size bytes at text, without copying them.
    static JoystickGuid fromText(const QByteArray& text);
    static JoystickGuid fromText(const char* text, int size);

    // Both ids non-zero: the pad is known by vendor and product; otherwise only by its name.
    bool hasIds() const { return form == Ids && vendor != 0 && product != 0; }
};

// The bus numbers SDL puts into byte 0-1: the Linux input bus types, and SDL's own for virtual joysticks.
enum : quint16 {
    kBusUnknown = 0x00,
    kBusUsb = 0x03,
    kBusBluetooth = 0x05,
    kBusLinuxVirtual = 0x06,
    kBusSdlVirtual = 0xff,
};

#endif
