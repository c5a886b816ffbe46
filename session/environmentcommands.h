#ifndef ENVIRONMENTCOMMANDS_H
#define ENVIRONMENTCOMMANDS_H
// SDL_GAMECONTROLLERCONFIG for later sessions: what the program was started with, which file holds a
// saved value, and the Set and Reset commands. Root sets it in the system environment file, anyone
// else in the per-user file of the systemd user environment.

#include <QByteArray>
#include <QObject>
#include <QString>

class Dialogs;

class EnvironmentCommands : public QObject
{
    Q_OBJECT
public:
    // systemFile is the system environment file, userFile the per-user file (userEnvironmentFile);
    // runningAsRoot chooses where Set writes. dialogs must outlive the commands.
    EnvironmentCommands(const QString& systemFile, const QString& userFile, bool runningAsRoot,
                        Dialogs& dialogs, QObject* parent = nullptr);

    // Logs the variable's value in the program's own environment and which files save a value.
    void reportAtStart();
    // Whether a file holds a value that Reset would remove.
    bool isSaved() const;

    // Asks, naming the pad whose line the file holds now, then saves line as the variable's value.
    // The line is taken by the caller before the question, so a pad that goes while the box shows
    // changes nothing; an empty line is refused. Failures are logged and told. Returns true when saved.
    bool set(const QByteArray& line);
    // Removes the variable from the files that hold it (the system file needs root) and says when it
    // takes effect, or why it failed.
    void reset();

signals:
    // One user-visible line for the log, as the window writes it.
    void logged(const QString& line);

private:
    void log(const char* text);
    // The confirmation for Set: where it writes, and whose line it replaces there.
    QString confirmation() const;

    QString m_systemFile;
    QString m_userFile;
    bool m_bRoot;
    Dialogs& m_dialogs;
};

#endif
