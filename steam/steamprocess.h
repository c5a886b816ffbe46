#ifndef STEAMPROCESS_H
#define STEAMPROCESS_H
// Whether an installation's Steam is running. Steam writes its configuration from memory when it
// exits, so an edit made while it runs would be lost.

#include "steaminstallation.h"

#include <QString>

// The process id (as this program sees it) of the Steam that runs for installation, or 0 when none
// does. Steam runs when its pid file names a live process whose command is Steam's ("steam", or
// "steam.sh" while its start script runs). A sandboxed installation's pid file holds the id inside
// its sandbox: then the process whose innermost id it is counts. A missing or unreadable pid file, a
// dead process or another program (the id taken again since) all mean Steam is not running.
// procRoot is where the process file system is mounted.
qint64 runningSteamProcess(const SteamInstallation& installation,
                           const QString& procRoot = QStringLiteral("/proc"));

#endif
