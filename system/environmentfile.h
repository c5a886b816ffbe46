#ifndef ENVIRONMENTFILE_H
#define ENVIRONMENTFILE_H
// Reading a variable of the program's own environment, and editing the system environment file.

#include <QString>

extern const char* const kSystemEnvironmentFile; // "/etc/environment"

// The value of name in the environment the program was started with, as UTF-8; "" when unset (or when
// name is null). Reads no file.
QString getEnvVar(const char* name);

// Rewrites the environment file at path: every line that contains name (case-sensitive, anywhere) is
// dropped, the others are kept byte for byte (CRLF endings included), and "name=value\n" is appended
// as its own line (a newline is supplied first if the last kept line lacks one). The value is written
// exactly as given, unquoted.
//
// The new content goes to a temporary file beside it with a fresh name (path + "_new." and six random
// characters, mkstemp), created exclusively, so nothing that already lies beside the file (a leftover
// of a killed run, a planted file or link) is followed, overwritten or removed, or blocks the edit; a
// process killed mid-edit leaves only its own temporary file behind. The temporary file is written
// completely, gets the original's mode, owner and group, is flushed to disk and renamed over the
// original in one step; the directory is flushed afterwards. A symbolic link at path is read through
// and replaced by the new regular file.
//
// Returns true on success (errorMessage, if given, is then cleared). On any failure the original stays
// byte-identical, no temporary file of ours is left, false is returned, errorMessage (if given) says
// which step failed and why, and this line is printed on standard output:
//   "ERROR: Can't open file /etc/environment. Run 'sudo stickwell'"
// (with path in place of /etc/environment when another file is edited). A missing file is a failure:
// the file is never created. Invalid arguments (name null or empty, name or value null or holding a
// newline, which would wipe or split lines) fail the same way but without the error line, since no
// file was touched and root rights would not help.
bool setSystemEnvVar(const char* name, const char* value, const QString& path = kSystemEnvironmentFile,
                     QString* errorMessage = nullptr);

// The same without appending a line: removes the variable. The kept lines are written exactly as they
// were, so a file without a line for name is rewritten with the same content.
bool resetSystemEnvVar(const char* name, const QString& path = kSystemEnvironmentFile,
                       QString* errorMessage = nullptr);

#endif
