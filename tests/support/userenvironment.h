#ifndef USERENVIRONMENT_H
#define USERENVIRONMENT_H
// What the systemd user environment makes of a configuration home at login, computed by systemd's own
// generator: the independent reader of the per-user environment file.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <cstring>

const char* const kEnvironmentGenerator =
    "/usr/lib/systemd/user-environment-generators/30-systemd-environment-d-generator";

// The value name gets, or a null array when the generator sets none. The generator runs with nothing
// but XDG_CONFIG_HOME and HOME pointing at configHome, so the real user's files play no part.
inline QByteArray userEnvironmentValue(const QString& configHome, const QByteArray& name)
{
    QProcessEnvironment environment;
    environment.insert("XDG_CONFIG_HOME", configHome);
    environment.insert("HOME", configHome);
    QProcess generator;
    generator.setProcessEnvironment(environment);
    generator.start(kEnvironmentGenerator, QStringList());
    if (!generator.waitForFinished(10000) || generator.exitCode() != 0)
        return QByteArray("<generator failed>");
    QByteArray value;
    for (const QByteArray& line : generator.readAllStandardOutput().split('\n'))
        if (line.startsWith(name + '='))
            value = line.mid(name.size() + 1);
    if (value.size() < 2 || !value.startsWith('"') || !value.endsWith('"'))
        return value;
    // Quoted as systemd's own reader of this output takes it: a backslash escapes only " \ ` $.
    QByteArray unquoted;
    for (int i = 1; i < value.size() - 1; ++i) {
        if (value[i] == '\\' && i + 2 < value.size() && std::strchr("\"\\`$", value[i + 1]))
            ++i;
        unquoted += value[i];
    }
    return unquoted;
}

#endif
