#ifndef STEAMMAPPINGS_H
#define STEAMMAPPINGS_H
// A gamepad's mapping line in the controller configuration of the user's Steam installations
// ("SDL_GamepadBind" in config/config.vdf, which Steam hands to every game it starts): putting it
// there, taking it out again, and reading the lines the installations hold.

#include "portablemapping.h"
#include "steaminstallation.h"

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>

// What an edit of the installations came to.
struct SteamOutcome {
    bool ok = false;           // every installation holds what was asked, written now or already
    bool steamRunning = false; // refused since Steam runs (when found at the start, nothing was written)
    QStringList messages;      // one line per installation, or the one reason nothing was done
};

// The mapping lines one installation holds.
struct SteamHeldLines {
    SteamInstallation installation;
    QList<QByteArray> lines; // SteamConfig::gamepadBindLines
    QString error;           // why the configuration could not be read; "" when it could
};

class SteamMappings
{
public:
    // The installations under home; procRoot is where the process file system is mounted.
    explicit SteamMappings(const QString& home = QDir::homePath(),
                           const QString& procRoot = QStringLiteral("/proc"));

    // The installations found now (findSteamInstallations).
    QList<SteamInstallation> installations() const;

    // The installation whose Steam runs, if any; true then, with the installation and process id.
    bool steamRunning(SteamInstallation* installation = nullptr, qint64* pid = nullptr) const;

    // Puts line, the pad's portable mapping line, into every installation (SteamConfig::withPadLine).
    // Nothing is written anywhere while any installation's Steam runs (steamRunning in the outcome,
    // and a message to close Steam). Each configuration is replaced whole, through a temporary file
    // beside it, with its mode and owner, a link kept as a link; the first time, a copy is kept beside
    // it as config.vdf.stickwell-backup. One that already holds line is not written; one that cannot
    // be read, is not KeyValues or is over 64 MiB is left as it is, and its message says why. Not ok
    // when no installation is found.
    SteamOutcome addMapping(const PadIdentity& pad, const QByteArray& line) const;

    // Takes the pad's lines out of every installation (SteamConfig::withoutPad), the same way; one that
    // holds none is not written.
    SteamOutcome removeMapping(const PadIdentity& pad) const;

    // The lines each installation holds, in the order of installations().
    QList<SteamHeldLines> heldLines() const;

private:
    SteamOutcome edit(const PadIdentity& pad, const QByteArray* line) const;

    QString m_home;
    QString m_procRoot;
};

// Reads the configuration file at path (a link followed): a regular file of at most
// kMaxSteamConfigSize bytes. Returns false with errorMessage saying why otherwise.
bool readSteamConfigFile(const QString& path, QByteArray* bytes, QString* errorMessage);

#endif
