#include "steamcommands.h"

#include "dialogs.h"
#include "steaminstallation.h"
#include "steamlaunchoption.h"

SteamCommands::SteamCommands(const SteamMappings& steam, Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_steam(steam), m_dialogs(dialogs), m_held(m_steam.heldLines())
{
}

QList<QByteArray> SteamCommands::heldLines() const
{
    QList<QByteArray> lines;
    for (const SteamHeldLines& held : m_held)
        lines += held.lines;
    return lines;
}

void SteamCommands::reportAtStart()
{
    for (const SteamHeldLines& held : m_held) {
        const QString where = held.installation.configFile;
        if (!held.error.isEmpty())
            emit logged(QStringLiteral("Steam's mappings in %1 can't be read: %2").arg(where, held.error));
        else
            emit logged(
                QStringLiteral("Steam's configuration %1 holds %2 mapping line(s) in \"SDL_GamepadBind\"")
                    .arg(where)
                    .arg(held.lines.size()));
    }
}

bool SteamCommands::report(const SteamOutcome& outcome, const QString& done)
{
    for (const QString& message : outcome.messages)
        emit logged(message);
    const QString details = outcome.messages.join(QLatin1Char('\n'));
    m_dialogs.tell(outcome.ok ? done + QStringLiteral("\n\n") + details : details);
    return outcome.ok;
}

bool SteamCommands::add(const PadIdentity& pad, const QByteArray& line)
{
    emit logged(QStringLiteral("Adding the mapping to Steam: '%1'").arg(QString::fromUtf8(line)));
    return report(
        m_steam.addMapping(pad, line),
        QStringLiteral("Steam gives this mapping to the games it starts, with Steam Input on or off."));
}

bool SteamCommands::remove(const PadIdentity& pad)
{
    emit logged(QStringLiteral("Removing the mapping from Steam"));
    return report(m_steam.removeMapping(pad),
                  QStringLiteral("Steam holds no mapping of its own for this gamepad any more."));
}

QByteArray SteamCommands::launchOption(const QByteArray& line)
{
    QString why;
    const QByteArray option = steamLaunchOption(line, &why);
    if (option.isEmpty()) {
        emit logged(QStringLiteral("Error: no Steam launch option: %1").arg(why));
        m_dialogs.tell(why);
    } else {
        emit logged(QStringLiteral("Steam launch option: %1").arg(QString::fromUtf8(option)));
    }
    return option;
}
