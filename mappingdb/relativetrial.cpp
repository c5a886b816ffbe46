#include "relativetrial.h"

#include "mappingline.h"
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

// Registers line and checks that SDL now applies its name and bindings to the pad whose SDL GUID is
// guid: SDL adds nothing for a line whose hint: is off, and keeps a line of higher priority (one SDL
// read from its environment itself) without a word.
bool registerLine(const QByteArray& line, const SDL_JoystickGUID& guid, QString* errorMessage)
{
    if (SDL_GameControllerAddMapping(line.constData()) < 0) {
        setError(errorMessage,
                 QStringLiteral("SDL refused the line: %1").arg(QString::fromUtf8(SDL_GetError())));
        return false;
    }
    char* appliedText = SDL_GameControllerMappingForGUID(guid);
    MappingLine applied;
    const bool readable = parseSdlLine(QByteArray(appliedText ? appliedText : ""), &applied);
    SDL_free(appliedText);
    MappingLine wanted;
    MappingLine::parse(line, &wanted);
    if (!readable || !sameMapping(applied, wanted)) {
        setError(errorMessage,
                 QStringLiteral("SDL did not take the line: it keeps another for this gamepad"));
        return false;
    }
    return true;
}
// line rewritten for pad, or empty with errorMessage saying why it can't be tried.
QByteArray usableLine(const QByteArray& line, const PadIdentity& pad, QString* errorMessage)
{
    QString problem;
    const QByteArray tried = relativeLineForPad(line, pad, &problem);
    if (tried.isEmpty())
        setError(errorMessage, QStringLiteral("the line cannot be used: %1").arg(problem));
    return tried;
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
    const QByteArray tried = usableLine(relativeLine, pad, errorMessage);
    if (tried.isEmpty())
        return false;
    const QByteArray earlier = sdlLineForDevice(deviceIndex);
    const char* name = SDL_JoystickNameForIndex(deviceIndex);
    const SDL_JoystickGUID guid = SDL_JoystickGetDeviceGUID(deviceIndex);
    if (!registerLine(tried, guid, errorMessage))
        return false;
    m_guid = guid;
    m_pad = pad;
    // A name field ends at a comma; SDL's own lines put a blank there instead.
    m_padName = QByteArray(name ? name : "").replace(',', ' ');
    m_earlierLine = earlier;
    m_triedLine = tried;
    m_bActive = true;
    setError(errorMessage, QString());
    return true;
}

bool RelativeTrial::change(const QByteArray& line, QString* errorMessage)
{
    if (!m_bActive) {
        setError(errorMessage, QStringLiteral("no line is being tried"));
        return false;
    }
    const QByteArray tried = usableLine(line, m_pad, errorMessage);
    if (tried.isEmpty())
        return false;
    if (!registerLine(tried, m_guid, errorMessage)) {
        // What SDL holds must stay the line that is being tried.
        registerLine(m_triedLine, m_guid, nullptr);
        return false;
    }
    m_triedLine = tried;
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
        // Nothing to give back (or SDL's earlier line cannot be read): a line that binds no control.
        restore = relativeLineForPad(m_pad.guid + ',' + m_padName + ',', m_pad);
    }
    if (!registerLine(restore, m_guid, errorMessage))
        return false;
    m_bActive = false;
    setError(errorMessage, QString());
    return true;
}
