#ifndef STEAMINSTALLATION_H
#define STEAMINSTALLATION_H
// Where the user's Steam installations are: the native one, the Flatpak and the Snap one, each with
// its configuration file and the file in which its running Steam leaves its process id.

#include <QDir>
#include <QList>
#include <QString>

struct SteamInstallation {
    enum class Kind { Native, Flatpak, Snap };
    Kind kind = Kind::Native;
    QString path;       // the installation folder as found, e.g. <home>/.local/share/Steam
    QString realPath;   // the same with every link resolved: one installation has one realPath
    QString configFile; // path + "/config/config.vdf"
    QString pidFile;    // where its Steam writes its process id while it runs
    // True when that process id is one of a sandbox (Flatpak runs Steam in a PID namespace of its own).
    bool sandboxedPid = false;
};

// "Steam", "Steam (Flatpak)" or "Steam (Snap)", for messages.
QString steamInstallationName(const SteamInstallation& installation);

// The installations under home whose config/config.vdf exists, each once (by realPath), in this order:
// <home>/.local/share/Steam, <home>/.steam/steam and <home>/.steam/root (usually links to the first),
// the Flatpak one under <home>/.var/app/com.valvesoftware.Steam/.local/share/Steam, the Snap one under
// <home>/snap/steam/common/.local/share/Steam. Empty when there is none.
QList<SteamInstallation> findSteamInstallations(const QString& home = QDir::homePath());

#endif
