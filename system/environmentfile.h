#ifndef ENVIRONMENTFILE_H
#define ENVIRONMENTFILE_H
// Reading a variable of the program's own environment, and editing the system environment file.

#include <QString>

extern const char* const kSystemEnvironmentFile; // "/etc/environment"

// The value of name in the environment the program was started with; "" when unset.
QString getEnvVar(const char* name);

// Rewrites the environment file at path: every line that contains name (case-sensitive, anywhere) is
// dropped, the others are kept byte for byte, and "name=value\n" is appended as its own line. The new
// content goes to a temporary file beside it (path + "_new", created exclusively), is flushed, gets the
// original's mode, owner and group, and is renamed over the original in one step. On any failure the
// original stays byte-identical, no temporary file is left, the line
// "ERROR: Can't open file /etc/environment. Run 'sudo stickwell'" is printed on standard output, false
// is returned and errorMessage (if given) says what failed.
bool setSystemEnvVar(const char* name, const char* value, const QString& path = kSystemEnvironmentFile,
                     QString* errorMessage = nullptr);

// The same without appending a line: removes the variable.
bool resetSystemEnvVar(const char* name, const QString& path = kSystemEnvironmentFile,
                       QString* errorMessage = nullptr);

#endif
