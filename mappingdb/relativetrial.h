#ifndef RELATIVETRIAL_H
#define RELATIVETRIAL_H
// Trying a relative's line on one pad for this run only: the line is registered with SDL under the
// pad's own GUID, and discarding gives the pad back what SDL applied to it before. Writes no file:
// saving a kept line is the caller's.

#include "portablemapping.h"

#include <QByteArray>
#include <QString>
#include <SDL.h>

class RelativeTrial
{
public:
    // Starts trying relativeLine on the device at deviceIndex, whose identity is pad: remembers SDL's line
    // for the device (sdlLineForDevice), then registers relativeLineForPad(relativeLine, pad) with SDL, so
    // that SDL_IsGameController is true for the device and its open game controllers take the new bindings
    // at once. Returns false, with errorMessage saying why, when a trial runs already, there is no device
    // at deviceIndex, the line cannot be rewritten, or SDL refuses it or does not apply it (a line whose
    // hint: is off; one of higher priority that SDL read itself); SDL's line for the pad is then unchanged.
    bool start(int deviceIndex, const PadIdentity& pad, const QByteArray& relativeLine,
               QString* errorMessage = nullptr);

    bool isActive() const { return m_bActive; }

    // The line registered by start: the pad's portable GUID and CRC, the relative's name and bindings.
    QByteArray triedLine() const { return m_triedLine; }

    // Replaces the tried line by line (a fix of one of its bindings), rewritten for the pad as start()
    // does, for this run only. Returns false, with errorMessage saying why and the earlier tried line still
    // registered, when no trial runs or SDL refuses or does not apply the line.
    bool change(const QByteArray& line, QString* errorMessage = nullptr);

    // Ends the trial with the tried line still registered, and returns it to be named and saved (empty
    // when no trial runs).
    QByteArray keep();

    // Ends the trial and registers SDL's earlier line for the pad again (rewritten for its own GUID, with
    // the same name and bindings). SDL2 cannot forget a mapping: a pad that had none gets a line that binds
    // no control, so that sdlMapsDevice is false for it again, while SDL_IsGameController stays true and
    // SDL_GameControllerOpen opens it with no controls until the program ends. Returns false, with
    // errorMessage saying why and the trial still running, when no trial runs or SDL refuses the line.
    // A trial that is neither kept nor discarded leaves the tried line registered until the program ends.
    bool discard(QString* errorMessage = nullptr);

private:
    PadIdentity m_pad;
    SDL_JoystickGUID m_guid; // as SDL reports it for the device, CRC included
    QByteArray m_padName;
    QByteArray m_earlierLine; // SDL's line for the device when the trial started; empty if none
    QByteArray m_triedLine;
    bool m_bActive = false;
};

#endif
