#include "virtualpad.h"

VirtualPad::VirtualPad() : VirtualPad(Layout()) {}

VirtualPad::VirtualPad(const Layout& layout) : m_layout(layout) {}

VirtualPad::~VirtualPad()
{
    detach();
}

bool VirtualPad::attach()
{
    if (m_pJoystick)
        return true;
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = m_layout.gameController ? SDL_JOYSTICK_TYPE_GAMECONTROLLER : SDL_JOYSTICK_TYPE_UNKNOWN;
    desc.naxes = Uint16(m_layout.axes);
    desc.nbuttons = Uint16(m_layout.buttons);
    desc.nhats = Uint16(m_layout.hats);
    desc.vendor_id = m_layout.vendor;
    desc.product_id = m_layout.product;
    desc.name = m_layout.name;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0)
        return false;
    m_pJoystick = SDL_JoystickOpen(index);
    if (!m_pJoystick) {
        SDL_JoystickDetachVirtual(index);
        return false;
    }
    if (!m_layout.restingAxes.empty()) {
        // SDL takes the initial axis state when the device is first opened: set it, then open anew.
        for (const auto& axis : m_layout.restingAxes)
            SDL_JoystickSetVirtualAxis(m_pJoystick, axis.first, axis.second);
        SDL_JoystickClose(m_pJoystick);
        m_pJoystick = SDL_JoystickOpen(index);
        if (!m_pJoystick) {
            SDL_JoystickDetachVirtual(index);
            return false;
        }
    }
    m_instanceId = SDL_JoystickInstanceID(m_pJoystick);
    return true;
}

void VirtualPad::detach()
{
    if (!m_pJoystick)
        return;
    const int index = deviceIndex();
    SDL_JoystickClose(m_pJoystick);
    m_pJoystick = nullptr;
    if (index >= 0)
        SDL_JoystickDetachVirtual(index);
}

int VirtualPad::deviceIndex() const
{
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == m_instanceId)
            return i;
    return -1;
}

SDL_JoystickID VirtualPad::instanceId() const
{
    return m_instanceId;
}

QByteArray VirtualPad::guidText() const
{
    char text[1024];
    SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(m_pJoystick), text, sizeof text);
    return QByteArray(text);
}

QByteArray VirtualPad::portableGuidText() const
{
    const QByteArray guid = guidText();
    return guid.left(4) + "0000" + guid.mid(8);
}

QByteArray VirtualPad::crcField() const
{
    const QByteArray guid = guidText();
    return "crc:" + guid.mid(6, 2) + guid.mid(4, 2);
}

void VirtualPad::setAxis(int axis, Sint16 value)
{
    SDL_JoystickSetVirtualAxis(m_pJoystick, axis, value);
}

void VirtualPad::setButton(int button, bool pressed)
{
    SDL_JoystickSetVirtualButton(m_pJoystick, button, pressed ? SDL_PRESSED : SDL_RELEASED);
}

void VirtualPad::setHat(int hat, Uint8 value)
{
    SDL_JoystickSetVirtualHat(m_pJoystick, hat, value);
}

void VirtualPad::pressButton(int button)
{
    setButton(button, true);
    SDL_JoystickUpdate();
    setButton(button, false);
    SDL_JoystickUpdate();
}
