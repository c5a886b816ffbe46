#include "steaminstallation.h"

#include <QFileInfo>

namespace
{
struct Place {
    SteamInstallation::Kind kind;
    const char* folder;  // under the home directory
    const char* pidFile; // under the home directory: <the home Steam sees there>/.steam/steam.pid
};

const Place kPlaces[] = {
    {SteamInstallation::Kind::Native, ".local/share/Steam", ".steam/steam.pid"},
    {SteamInstallation::Kind::Native, ".steam/steam", ".steam/steam.pid"},
    {SteamInstallation::Kind::Native, ".steam/root", ".steam/steam.pid"},
    // Both sandboxes give Steam a home of its own.
    {SteamInstallation::Kind::Flatpak, ".var/app/com.valvesoftware.Steam/.local/share/Steam",
     ".var/app/com.valvesoftware.Steam/.steam/steam.pid"},
    {SteamInstallation::Kind::Snap, "snap/steam/common/.local/share/Steam",
     "snap/steam/common/.steam/steam.pid"},
};
} // namespace

QString steamInstallationName(const SteamInstallation& installation)
{
    switch (installation.kind) {
    case SteamInstallation::Kind::Flatpak:
        return QStringLiteral("Steam (Flatpak)");
    case SteamInstallation::Kind::Snap:
        return QStringLiteral("Steam (Snap)");
    case SteamInstallation::Kind::Native:
        break;
    }
    return QStringLiteral("Steam");
}

QList<SteamInstallation> findSteamInstallations(const QString& home)
{
    QList<SteamInstallation> found;
    const QDir homeDir(home);
    for (const Place& place : kPlaces) {
        SteamInstallation installation;
        installation.kind = place.kind;
        installation.path = homeDir.filePath(QString::fromUtf8(place.folder));
        installation.configFile = installation.path + QStringLiteral("/config/config.vdf");
        if (!QFileInfo::exists(installation.configFile))
            continue;
        installation.realPath = QFileInfo(installation.path).canonicalFilePath();
        bool seen = false;
        for (const SteamInstallation& earlier : found)
            seen = seen || earlier.realPath == installation.realPath;
        if (seen)
            continue;
        installation.pidFile = homeDir.filePath(QString::fromUtf8(place.pidFile));
        installation.sandboxedPid = place.kind == SteamInstallation::Kind::Flatpak;
        found.append(installation);
    }
    return found;
}
