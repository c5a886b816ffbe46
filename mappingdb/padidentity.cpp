#include "padidentity.h"

#include <QFile>

QByteArray kernelDeviceName(const QByteArray& devicePath, const QString& sysfsRoot)
{
    const QByteArray node = devicePath.mid(devicePath.lastIndexOf('/') + 1);
    if (node.isEmpty() || node == ".." || node == ".")
        return QByteArray();
    QFile file(sysfsRoot + QStringLiteral("/class/input/") + QFile::decodeName(node) +
               QStringLiteral("/device/name"));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    // The kernel keeps a device name well below this; a longer file is not a name.
    QByteArray name = file.read(1024);
    while (name.endsWith('\n'))
        name.chop(1);
    return name;
}

PadIdentity joystickIdentity(SDL_Joystick* joystick, const QString& sysfsRoot)
{
    char guidText[1024];
    SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(joystick), guidText, sizeof guidText);
    const char* path = joystick ? SDL_JoystickPath(joystick) : nullptr;
    return padIdentity(QByteArray(guidText), kernelDeviceName(QByteArray(path ? path : ""), sysfsRoot));
}
