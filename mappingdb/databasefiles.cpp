#include "databasefiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <SDL.h>

const char* const kCommunityDatabaseFile = "gamecontrollerdb.txt";
const char* const kLocalDatabaseFile = "gamecontrollerdb.local.txt";

QString defaultDataDirectory()
{
    const QStringList locations = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    return locations.isEmpty() ? QString() : locations.first();
}

QString defaultSeedPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(kCommunityDatabaseFile));
}

void enterDataDirectory(const QString& dataDirectory, const QString& seedPath)
{
    if (!dataDirectory.isEmpty()) {
        QDir dir(dataDirectory);
        // One level only: a missing parent means a setup we do not second-guess.
        if (!dir.exists())
            QDir().mkdir(dataDirectory);
        QDir::setCurrent(dataDirectory);
    }

    const QString workingCopy = QString::fromLatin1(kCommunityDatabaseFile);
    if (QFileInfo::exists(workingCopy) || seedPath.isEmpty())
        return;
    if (QFile::copy(seedPath, workingCopy)) {
        // QFile::copy carries the seed's permissions over; an installed seed is often read-only, and a
        // read-only working copy would make every later update fail.
        QFile::setPermissions(workingCopy, QFile::permissions(workingCopy) | QFileDevice::ReadOwner |
                                               QFileDevice::WriteOwner);
    }
}

namespace
{

void addMappingsFromFile(const char* path)
{
    // Only regular files: a directory opens for reading, SDL then sizes it at about 2^63 bytes and
    // asks malloc for that much at once, and a FIFO would block the start.
    if (!QFileInfo(QString::fromLatin1(path)).isFile())
        return;
    SDL_GameControllerAddMappingsFromRW(SDL_RWFromFile(path, "rb"), 1);
}

} // namespace

void loadMappingFiles()
{
    // SDL replaces the mapping of a GUID it already knows, so the user's own file goes last and wins.
    addMappingsFromFile(kCommunityDatabaseFile);
    addMappingsFromFile(kLocalDatabaseFile);
}
