#ifndef MAPPINGSOURCES_H
#define MAPPINGSOURCES_H
// The mapping lines this program hands to SDL, each with where it comes from, in the order SDL applies
// them: the line applied later wins for its pad.

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>

// Where a line comes from, from the lowest priority to the highest: the loader hands the community
// database to SDL first, then Steam's lines, the local file, and last the configured mappings
// (SDL_GAMECONTROLLERCONFIG_FILE's file, then SDL_GAMECONTROLLERCONFIG), which win as they do in games.
// The mappings made while the program runs are added after all of them (Session).
enum class MappingOrigin { CommunityDatabase, Steam, LocalFile, ConfiguredFile, ConfiguredVariable, Session };

// How the origin is shown beside a line: "community database", "Steam", "local file",
// "SDL_GAMECONTROLLERCONFIG_FILE", "SDL_GAMECONTROLLERCONFIG", "mappings made this session".
QString mappingOriginLabel(MappingOrigin origin);

struct SourcedLine {
    QByteArray line; // without line end
    MappingOrigin origin = MappingOrigin::CommunityDatabase;
};

// The lines of text (one source's content) that SDL takes from origin, in their order (split as
// MappingLine::splitLines does), without comments and empty lines. A file's line is taken only when
// SDL's file loader takes it (MappingLine::whySdlSkips: it names this platform and can be read); the
// variable's and Steam's lines are added one by one and need no platform.
QList<SourcedLine> sourcedLines(MappingOrigin origin, const QByteArray& text);

// All of the program's sources, lowest priority first: "gamecontrollerdb.txt" in dataDirectory (empty:
// the working directory, where the program keeps its files), steamLines, "gamecontrollerdb.local.txt",
// then the file named by environment's SDL_GAMECONTROLLERCONFIG_FILE and environment's
// SDL_GAMECONTROLLERCONFIG. Missing or unreadable files, and paths that are not regular files,
// contribute nothing.
QList<SourcedLine>
readMappingSources(const QString& dataDirectory = QString(),
                   const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                   const QList<QByteArray>& steamLines = QList<QByteArray>());

#endif
