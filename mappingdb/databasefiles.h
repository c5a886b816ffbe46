#ifndef DATABASEFILES_H
#define DATABASEFILES_H
// The data directory and the two mapping database files that are handed to SDL.

#include <QByteArray>
#include <QList>
#include <QString>

// Bare names of the two files, addressed relative to the data directory (the working directory).
extern const char* const kCommunityDatabaseFile; // "gamecontrollerdb.txt"
extern const char* const kLocalDatabaseFile;     // "gamecontrollerdb.local.txt"

// The first generic data location Qt reports (the XDG data home); empty if Qt reports none.
QString defaultDataDirectory();

// "gamecontrollerdb.txt" in the executable's directory; call before the working directory changes.
QString defaultSeedPath();

// Start-up: creates dataDirectory with every missing parent (mode 0700) when missing, makes it the
// working directory, and copies seedPath to "gamecontrollerdb.txt" there when no such file exists (never
// over an existing file); the copy is made writable for its owner, so that a read-only seed does not block
// later updates. Returns false, with errorMessage saying why, when dataDirectory is empty or cannot be
// created or entered: the working directory is then unchanged and nothing is written anywhere.
// A failed seed copy is not an error (the update check makes the working copy later).
bool enterDataDirectory(const QString& dataDirectory, const QString& seedPath,
                        QString* errorMessage = nullptr);

// Call before SDL's game-controller subsystem starts. When SDL_GAMECONTROLLERCONFIG or
// SDL_GAMECONTROLLERCONFIG_FILE is set, tells SDL not to load it by itself (SDL would give those
// mappings a priority that mappings added later cannot override); loadMappingFiles adds them instead.
void takeOverConfiguredMappings();

// Hands "gamecontrollerdb.txt", then "gamecontrollerdb.local.txt" (so local entries win) to SDL, then
// the mappings of SDL_GAMECONTROLLERCONFIG_FILE and SDL_GAMECONTROLLERCONFIG, which win over both as
// they do in games. Missing or unreadable files, and paths that are not regular files (a directory),
// contribute nothing.
// steamLines (the lines Steam's configuration holds) go between the two files: the user's own file
// wins over Steam's lines, Steam's over the community database.
void loadMappingFiles(const QList<QByteArray>& steamLines = {});

// Only the mappings of SDL_GAMECONTROLLERCONFIG_FILE and SDL_GAMECONTROLLERCONFIG (the last step of
// loadMappingFiles), for a start without a data directory.
void loadConfiguredMappings();

#endif
