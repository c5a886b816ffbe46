#ifndef PADIDENTITY_H
#define PADIDENTITY_H
// Who an open joystick is, as its mapping lines name it: SDL's GUID and the kernel's name of its
// device node, read from sysfs (the one part of the portable-line rule that is not pure text).

#include "portablemapping.h"

#include <QByteArray>
#include <QString>
#include <SDL.h>

// The name the kernel gives the input device node at devicePath ("/dev/input/event7" is read from
// <sysfsRoot>/class/input/event7/device/name), without its line end. Empty when devicePath is empty
// or the file is missing or unreadable.
QByteArray kernelDeviceName(const QByteArray& devicePath, const QString& sysfsRoot = QStringLiteral("/sys"));

// padIdentity of the joystick's GUID and the kernel name of the node SDL reports for it
// (SDL_JoystickPath); without a node (a virtual joystick) the CRC is the one in SDL's GUID.
// A null joystick gives SDL's all-zero GUID.
PadIdentity joystickIdentity(SDL_Joystick* joystick, const QString& sysfsRoot = QStringLiteral("/sys"));

#endif
