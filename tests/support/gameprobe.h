#ifndef GAMEPROBE_H
#define GAMEPROBE_H
// Runs sdlmappingprobe (support/sdlmappingprobe.cpp) as a game would be started: with exactly the
// environment given, plus SDL_JOYSTICK_HIDAPI=0 so that no real device takes part. The test target
// defines STICKWELL_SDLMAPPINGPROBE as the probe's path.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

// One line per pad of pads ("<vendor>:<product>:<buttons>:<axes>:<hats>:<name>"): "<guid> <mapping>"
// or "<guid> none"; a single line starting "probe failed: " when the probe fails.
inline QList<QByteArray> probeGameMappings(const QMap<QByteArray, QByteArray>& environment,
                                           const QStringList& pads)
{
    QProcessEnvironment game;
    for (auto it = environment.begin(); it != environment.end(); ++it)
        game.insert(QString::fromUtf8(it.key()), QString::fromUtf8(it.value()));
    game.insert("SDL_JOYSTICK_HIDAPI", "0");
    QProcess process;
    process.setProcessEnvironment(game);
    process.start(STICKWELL_SDLMAPPINGPROBE, pads);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QList<QByteArray>{"probe failed: " + process.readAllStandardError()};
    return process.readAllStandardOutput().trimmed().split('\n');
}

#endif
