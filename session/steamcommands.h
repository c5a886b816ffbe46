#ifndef STEAMCOMMANDS_H
#define STEAMCOMMANDS_H
// A pad's mapping for the games Steam starts: into Steam's controller configuration and out again,
// and as a launch option for one game. Steam hands every game it starts its own mapping lines, so a
// line saved only in the user's file does not reach them.

#include "steammappings.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class Dialogs;
struct PadIdentity;

class SteamCommands : public QObject
{
    Q_OBJECT
public:
    // steam finds the installations (tests point it at a temporary home); dialogs must outlive us.
    // Reads what the installations hold once, now.
    SteamCommands(const SteamMappings& steam, Dialogs& dialogs, QObject* parent = nullptr);

    // Whether an installation was found at start: the commands that edit Steam need one.
    bool available() const { return !m_held.isEmpty(); }
    // Every line the installations held at start, in order: a source of mappings below the user's file.
    QList<QByteArray> heldLines() const;
    // Logs how many lines each installation holds, or why its configuration can't be read.
    void reportAtStart();

    // Puts line, the pad's own portable line, into every installation; logs each outcome and tells
    // them. Nothing is written while Steam runs. Returns true when every installation holds it.
    bool add(const PadIdentity& pad, const QByteArray& line);
    // Takes the pad's lines out of every installation, the same way.
    bool remove(const PadIdentity& pad);
    // The launch option for line (steamLaunchOption), logged; empty, logged and told when the line
    // cannot be carried by one.
    QByteArray launchOption(const QByteArray& line);

signals:
    void logged(const QString& line);

private:
    bool report(const SteamOutcome& outcome, const QString& done);

    SteamMappings m_steam;
    Dialogs& m_dialogs;
    QList<SteamHeldLines> m_held;
};

#endif
