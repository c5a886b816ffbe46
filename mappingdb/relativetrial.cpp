#include "relativetrial.h"

#include "padrelatives.h"
#include "sdllinecheck.h"

#include <SDL.h>

namespace
{
void setError(QString* errorMessage, const QString& text)
{
    if (errorMessage)
        *errorMessage = text;
}

bool registerLine(const QByteArray& line, QString* errorMessage)
{
    if (SDL_GameControllerAddMapping(line.constData()) < 0) {
        setError(errorMessage,
                 QStringLiteral("SDL refused the line: %1").arg(QString::fromUtf8(SDL_GetError())));
        return false;
    }
    return true;
}
} // namespace

bool RelativeTrial::start(int deviceIndex, const PadIdentity& pad, const QByteArray& relativeLine,
                          QString* errorMessage)
{
    if (m_bActive) {
        setError(errorMessage, QStringLiteral("another line is being tried"));
        return false;
    }
    if (deviceIndex < 0 || deviceIndex >= SDL_NumJoysticks()) {
        setError(errorMessage, QStringLiteral("the gamepad is gone"));
        return false;
    }
    QString problem;
    const QByteArray tried = relativeLineForPad(relativeLine, pad, &problem);
    if (tried.isEmpty()) {
        setError(errorMessage, QStringLiteral("the line cannot be used: %1").arg(problem));
        return false;
    }
    const QByteArray earlier = sdlLineForDevice(deviceIndex);
    const char* name = SDL_JoystickNameForIndex(deviceIndex);
    if (!registerLine(tried, errorMessage))
        return false;
    m_pad = pad;
    // A name field ends at a comma; SDL's own lines put a blank there instead.
    m_padName = QByteArray(name ? name : "").replace(',', ' ');
    m_earlierLine = earlier;
    m_triedLine = tried;
    m_bActive = true;
    setError(errorMessage, QString());
    return true;
}

QByteArray RelativeTrial::keep()
{
    if (!m_bActive)
        return QByteArray();
    m_bActive = false;
    return m_triedLine;
}

bool RelativeTrial::discard(QString* errorMessage)
{
    if (!m_bActive) {
        setError(errorMessage, QStringLiteral("no line is being tried"));
        return false;
    }
    // Under the pad's own GUID and CRC, the earlier line lands in the record the tried line took, whichever
    // record SDL found for the pad before (its own, a relative's, one it made up).
    QByteArray restore = m_earlierLine.isEmpty() ? QByteArray() : relativeLineForPad(m_earlierLine, m_pad);
    if (restore.isEmpty()) {
        // Nothing to give back: the line binds no control (platform and CRC only).
        restore = relativeLineForPad(m_pad.guid + ',' + m_padName + ',', m_pad);
    }
    if (!registerLine(restore, errorMessage))
        return false;
    m_bActive = false;
    setError(errorMessage, QString());
    return true;
}
