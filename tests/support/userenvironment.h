#ifndef USERENVIRONMENT_H
#define USERENVIRONMENT_H
// What the systemd user environment makes of a configuration home at login, computed by systemd's own
// generator: the independent reader of the per-user environment file.

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <cstring>

const char* const kEnvironmentGenerator =
    "/usr/lib/systemd/user-environment-generators/30-systemd-environment-d-generator";

// Every variable the generator sets, its value unquoted; {"<generator failed>": ""} when it fails. The
// generator runs with nothing but XDG_CONFIG_HOME and HOME pointing at configHome, so the real user's
// files play no part (the system's own environment.d folders do, alike for every call).
inline QMap<QByteArray, QByteArray> userEnvironment(const QString& configHome)
{
    QProcessEnvironment environment;
    environment.insert("XDG_CONFIG_HOME", configHome);
    environment.insert("HOME", configHome);
    QProcess generator;
    generator.setProcessEnvironment(environment);
    generator.start(kEnvironmentGenerator, QStringList());
    if (!generator.waitForFinished(10000) || generator.exitCode() != 0)
        return {{"<generator failed>", QByteArray()}};
    QMap<QByteArray, QByteArray> variables;
    for (const QByteArray& line : generator.readAllStandardOutput().split('\n')) {
        const int equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        QByteArray value = line.mid(equals + 1);
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"')) {
            // Quoted as systemd's own reader of this output takes it: a backslash escapes only " \ ` $.
            QByteArray unquoted;
            for (int i = 1; i < value.size() - 1; ++i) {
                if (value[i] == '\\' && i + 2 < value.size() && std::strchr("\"\\`$", value[i + 1]))
                    ++i;
                unquoted += value[i];
            }
            value = unquoted;
        }
        variables.insert(line.left(equals), value);
    }
    return variables;
}

// The value name gets, or a null array when the generator sets none ("<generator failed>" when it fails).
inline QByteArray userEnvironmentValue(const QString& configHome, const QByteArray& name)
{
    const QMap<QByteArray, QByteArray> variables = userEnvironment(configHome);
    if (variables.contains("<generator failed>"))
        return QByteArray("<generator failed>");
    return variables.value(name);
}

#endif
