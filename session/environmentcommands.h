#ifndef ENVIRONMENTCOMMANDS_H
#define ENVIRONMENTCOMMANDS_H
// The mapping variables for later sessions: what the program was started with, which file holds a
// saved value, and the Set and Reset commands. Root sets SDL_GAMECONTROLLERCONFIG in the system
// environment file; anyone else sets, in the per-user file of the systemd user environment, either
// SDL_GAMECONTROLLERCONFIG_FILE (the user's mapping file: every pad, and every later fix) or that line.

#include "portablemapping.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class Dialogs;

class EnvironmentCommands : public QObject
{
    Q_OBJECT
public:
    // systemFile is the system environment file, userFile the per-user file (userEnvironmentFile);
    // runningAsRoot chooses where Set writes. mappingFile is the absolute path of the user's mapping
    // file, which Set offers as SDL_GAMECONTROLLERCONFIG_FILE (not to root; empty: never offered).
    // dialogs must outlive the commands.
    EnvironmentCommands(const QString& systemFile, const QString& userFile, bool runningAsRoot,
                        Dialogs& dialogs, const QString& mappingFile = QString(), QObject* parent = nullptr);

    // Logs both variables' values in the program's own environment (and when the file variable gives
    // games nothing) and which files save a value.
    void reportAtStart();
    // Whether a file holds a value that Reset would remove.
    bool isSaved() const;

    // Asks, naming the pad whose line the file holds now, then saves. Without root, the question
    // carries kAllMappingsOption, ticked: ticked, the per-user file gets SDL_GAMECONTROLLERCONFIG_FILE
    // naming the mapping file (which gets line first when it has none for pad) and its
    // SDL_GAMECONTROLLERCONFIG stays as it is; otherwise line becomes SDL_GAMECONTROLLERCONFIG's value.
    // The line is taken by the caller before the question, so a pad that goes while the box shows
    // changes nothing; an empty line is refused. Failures are logged and told. Returns true when saved.
    bool set(const QByteArray& line, const PadIdentity& pad);
    // Removes both variables from the files that hold them (the system file needs root) and says when
    // that takes effect, or why it failed.
    void reset();

    // The Set box's check box (without root).
    static const char* const kAllMappingsOption;

signals:
    // One user-visible line for the log, as the window writes it.
    void logged(const QString& line);

private:
    void log(const char* text);
    // The per-user file names the mapping file, which is given line when it has none for pad.
    bool setMappingFile(const QByteArray& line, const PadIdentity& pad);
    // Logs and tells why a save failed.
    void failed(const QString& error);
    // The confirmation for Set: where it writes, and whose line it replaces there.
    QString confirmation() const;

    QString m_systemFile;
    QString m_userFile;
    bool m_bRoot;
    Dialogs& m_dialogs;
    QString m_mappingFile;
};

#endif
