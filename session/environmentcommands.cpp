#include "environmentcommands.h"

#include "dialogs.h"
#include "environmentfile.h"
#include "localmappingfile.h"
#include "logformat.h"
#include "mappingline.h"
#include "sdllinecheck.h"

#include <QFile>
#include <optional>

namespace
{
// More than any environment file holds; a larger one is read this far.
const qint64 kMaxFileBytes = 1 << 20;

// The value that the last line assigning name in the file at path gives it, without its quotes; nothing
// when no line does. Only read to tell whose mapping the file holds: in double quotes a backslash takes
// the next character as it is and "$$" is "$", as the user environment writes them.
std::optional<QByteArray> savedValue(const QString& path, const QByteArray& name)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<QByteArray> found;
    for (QByteArray line : file.read(kMaxFileBytes).split('\n')) {
        line = line.trimmed();
        if (line.startsWith("export ") || line.startsWith("export\t"))
            line = line.mid(7).trimmed();
        const QByteArray rest = line.mid(name.size()).trimmed();
        if (line.startsWith(name) && rest.startsWith('='))
            found = rest.mid(1).trimmed();
    }
    if (!found || !found->startsWith('"'))
        return found;
    QByteArray value;
    const QByteArray& quoted = *found;
    for (int i = 1; i < quoted.size() && quoted.at(i) != '"'; ++i) {
        if (quoted.at(i) == '\\' && i + 1 < quoted.size())
            ++i;
        else if (quoted.at(i) == '$' && quoted.mid(i, 2) == "$$")
            ++i;
        value += quoted.at(i);
    }
    return value;
}
} // namespace

const char* const EnvironmentCommands::kAllMappingsOption =
    "All my mappings: games read my mapping file at start";

EnvironmentCommands::EnvironmentCommands(const QString& systemFile, const QString& userFile,
                                         bool runningAsRoot, Dialogs& dialogs, const QString& mappingFile,
                                         QObject* parent)
    : QObject(parent), m_systemFile(systemFile), m_userFile(userFile), m_bRoot(runningAsRoot),
      m_dialogs(dialogs), m_mappingFile(mappingFile)
{
}

void EnvironmentCommands::log(const char* text)
{
    emit logged(QString::fromUtf8(text));
}

void EnvironmentCommands::reportAtStart()
{
    const QByteArray configured = getEnvVar(kMappingVariable).toUtf8();
    if (!configured.isEmpty())
        log(formatText("Environment variable \"%s\" is set to: \"%s\"", kMappingVariable,
                       configured.constData()));
    else
        log(formatText("Environment variable \"%s\" is not defined", kMappingVariable));
    for (const QString& line : mappingFileReport(getEnvVar(kMappingFileVariable)))
        emit logged(line);
    // Where a value for later sessions comes from; Reset is offered only when there is one to remove.
    const SavedMappingVariables saved = savedMappingVariables(m_systemFile, m_userFile);
    if (saved.lineSystemWide)
        log(formatText("Environment variable \"%s\" is saved system-wide in %s", kMappingVariable,
                       QFile::encodeName(m_systemFile).constData()));
    const QByteArray userFile = QFile::encodeName(m_userFile);
    if (saved.lineForUser)
        log(formatText("Environment variable \"%s\" is saved for your user in %s", kMappingVariable,
                       userFile.constData()));
    if (saved.fileForUser)
        log(formatText("Environment variable \"%s\" is saved for your user in %s", kMappingFileVariable,
                       userFile.constData()));
}

bool EnvironmentCommands::isSaved() const
{
    return savedMappingVariables(m_systemFile, m_userFile).any();
}

QString EnvironmentCommands::confirmation() const
{
    const QByteArray userFile = QFile::encodeName(m_userFile);
    QString text;
    if (m_bRoot)
        text = QStringLiteral("This will set mapping for current gamepad as environment variable "
                              "\"SDL_GAMECONTROLLERCONFIG\", so all SDL2 games will pick this mapping "
                              "automatically. ");
    else
        text = QString::fromUtf8(
            formatText("This will set mapping for current gamepad as environment variable \"%s\" for your "
                       "user, in %s, so all SDL2 games you start after your next login will pick this "
                       "mapping automatically (games started before that, or from a terminal that reads "
                       "nothing else, will not see it). ",
                       kMappingVariable, userFile.constData()));
    // The variable holds one line: setting another pad's drops the one there.
    const std::optional<QByteArray> saved = savedValue(m_bRoot ? m_systemFile : m_userFile, kMappingVariable);
    if (saved) {
        const QByteArray name = MappingLine::nameField(*saved);
        if (!name.isNull())
            text += QString::fromUtf8(formatText(
                "It replaces the mapping for \"%s\" that the variable holds now. ", name.constData()));
        else
            text += QStringLiteral("It replaces the value that the variable holds now. ");
    }
    return text + QStringLiteral("Continue?");
}

bool EnvironmentCommands::set(const QByteArray& line, const PadIdentity& pad)
{
    if (line.isEmpty()) {
        log("Error: SDL gives no mapping for this gamepad: nothing was set");
        return false;
    }
    bool allMappings = !m_bRoot && !m_mappingFile.isEmpty();
    if (!m_dialogs.ask(confirmation(), Dialogs::Icon::Information,
                       allMappings ? QString::fromUtf8(kAllMappingsOption) : QString(), &allMappings))
        return false;
    if (allMappings)
        return setMappingFile(line, pad);
    // Logins (pam_env) and systemd read the system file by different rules; the user's file keeps the
    // exact name.
    bool simplified = false;
    const QByteArray value = m_bRoot ? systemEnvironmentValue(line, &simplified) : line;
    log(formatText("Setting environment variable \"%s\" to \"%s\"", kMappingVariable, value.constData()));
    if (simplified)
        log("The name was simplified there: \"#\", \"$\", \"\\\" and quotes became blanks, as pam_env and "
            "systemd read them differently");
    QString error;
    const bool saved = m_bRoot ? setSystemEnvVar(kMappingVariable, value.constData(), m_systemFile, &error)
                               : setUserEnvVar(kMappingVariable, value.constData(), m_userFile, &error);
    if (!saved) {
        failed(error);
        return false;
    }
    if (!m_bRoot)
        log(formatText("Saved for your user in %s; it takes effect at your next login",
                       QFile::encodeName(m_userFile).constData()));
    return true;
}

bool EnvironmentCommands::setMappingFile(const QByteArray& line, const PadIdentity& pad)
{
    const QByteArray path = QFile::encodeName(m_mappingFile);
    QString error = unfitMappingFilePath(m_mappingFile);
    if (!error.isEmpty()) {
        failed(error);
        return false;
    }
    // The file is what games will read: the selected pad's line must be in it, whatever source SDL
    // took it from here.
    QFile file(m_mappingFile);
    const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (ownPadLine(pad, sourcedLines(MappingOrigin::LocalFile, content)).line.isEmpty()) {
        if (!saveLocalMapping(m_mappingFile, pad, line, &error)) {
            failed(error);
            return false;
        }
        log(formatText("Mapping string '%s' added to %s", line.constData(), path.constData()));
    }
    log(formatText("Setting environment variable \"%s\" to \"%s\"", kMappingFileVariable, path.constData()));
    if (!setUserMappingFile(m_mappingFile, m_userFile, &error)) {
        failed(error);
        return false;
    }
    log(formatText("Saved for your user in %s; it takes effect at your next login, and games read every "
                   "mapping of that file as it is when they start",
                   QFile::encodeName(m_userFile).constData()));
    return true;
}

void EnvironmentCommands::failed(const QString& error)
{
    const QByteArray reason = error.toUtf8();
    log(formatText("Error: %s", reason.constData()));
    m_dialogs.tell(m_bRoot ? QString::fromUtf8(formatText("%s. Run 'sudo stickwell'", reason.constData()))
                           : error);
}

void EnvironmentCommands::reset()
{
    const SavedMappingVariables saved = savedMappingVariables(m_systemFile, m_userFile);
    const EnvResetOutcome outcome = resetMappingVariables(m_systemFile, m_userFile, m_bRoot);
    log(formatText("Resetting environment variable \"%s\"", kMappingVariable));
    if (saved.fileForUser)
        log(formatText("Resetting environment variable \"%s\"", kMappingFileVariable));
    if (!outcome.error.isEmpty()) {
        const QByteArray reason = outcome.error.toUtf8();
        log(formatText("Error: %s", reason.constData()));
        m_dialogs.tell(outcome.needsRoot
                           ? QString::fromUtf8(formatText("%s. Run 'sudo stickwell'", reason.constData()))
                           : outcome.error);
        return;
    }
    m_dialogs.tell(
        m_bRoot ? QStringLiteral("You might need to restart your computer for the changes to take effect")
                : QStringLiteral("The change takes effect at your next login"));
}
