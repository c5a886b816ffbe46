#ifndef ENVIRONMENTFILE_H
#define ENVIRONMENTFILE_H
// Reading a variable of the program's own environment, and editing the two files that set it for later
// sessions: the system environment file and the user's own file of the systemd user environment.
//
// Only what assigns a variable belongs to it; everything else (comments, other variables, lines that
// merely mention the name) is kept byte for byte. In the system file that is a line of optional
// blanks, optionally "export" and blanks, then the name and "=" (as pam_env reads it). In the per-user
// file it is what systemd's reader takes as an assignment: blanks around "=" allowed, continued over a
// line that ends in a backslash or inside a quoted value, no "export".

#include <QByteArray>
#include <QString>
#include <QStringList>

extern const char* const kSystemEnvironmentFile;   // "/etc/environment"
extern const char* const kUserEnvironmentFileName; // "99-stickwell.conf"
extern const char* const kMappingVariable;         // "SDL_GAMECONTROLLERCONFIG": one mapping line
extern const char* const kMappingFileVariable;     // "SDL_GAMECONTROLLERCONFIG_FILE": a mapping file's path

// The value of name in the environment the program was started with, as UTF-8; "" when unset (or when
// name is null). Reads no file.
QString getEnvVar(const char* name);

// Rewrites the environment file at path: every line that assigns name (case-sensitive) is dropped, the
// others are kept byte for byte (CRLF endings included), and "name=value\n" is appended as its own line
// (a newline is supplied first if the last kept line lacks one). The value is written exactly as
// given, unquoted.
//
// The new content goes to a temporary file beside it with a fresh name (path + "_new." and six random
// characters, mkstemp), created exclusively, so nothing that already lies beside the file (a leftover
// of a killed run, a planted file or link) is followed, overwritten or removed, or blocks the edit; a
// process killed mid-edit leaves only its own temporary file behind. The temporary file is written
// completely, gets the original's mode, owner and group, is flushed to disk and renamed over the
// original in one step; the directory is flushed afterwards. A symbolic link at path stays: the file it
// leads to is rewritten in the same way, beside itself.
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

// The user's configuration home: $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
QString defaultConfigHome();

// <configHome>/environment.d/99-stickwell.conf: read by the systemd user manager at every login (GNOME
// and Plasma sessions take their environment from it), after /etc/environment, so its value wins.
QString userEnvironmentFile(const QString& configHome);

// Sets name in the per-user file at path with the same rewrite as setSystemEnvVar, no root needed:
// name's assignments (all their lines) go, the rest stays byte for byte, "name=value" comes last as a
// line of its own (after an empty line when the last line ends in a backslash, which would join them).
// The value is quoted and escaped so that the session receives it byte for byte ("$" doubled, since
// the user manager expands variables); a value that the format cannot carry (not UTF-8, control
// characters) is refused, and so is a file that ends inside a quoted value that is never closed. A
// missing file is created with a comment that says who wrote it, and so are its folder (mode 0755) and
// the folders above it (mode 0700); the new file gets mode 0644. The file is the program's own: a
// symbolic link in its place is refused, never followed. Returns false with errorMessage saying why;
// nothing is printed, and nothing is changed on failure.
bool setUserEnvVar(const char* name, const char* value, const QString& path, QString* errorMessage = nullptr);

// Removes name's assignments from the per-user file; a missing file is nothing to do (true).
bool resetUserEnvVar(const char* name, const QString& path, QString* errorMessage = nullptr);

// Why path can't be the value of SDL_GAMECONTROLLERCONFIG_FILE, or "" when it can: a message that names
// what is wrong (a line break; a quotation mark, "'", "$", "\" or "#", which not every reader of the
// environment passes on unchanged; a path that is not absolute; a control character or bytes that are
// not UTF-8).
QString unfitMappingFilePath(const QString& path);

// Sets SDL_GAMECONTROLLERCONFIG_FILE=mappingFile in the per-user file at userFile (setUserEnvVar), so that
// games started in later sessions add that file's lines for this platform to their mappings (before
// SDL_GAMECONTROLLERCONFIG's, which still wins for its pad). mappingFile need not exist yet. A path
// that unfitMappingFilePath refuses changes nothing: false, with its message in errorMessage.
bool setUserMappingFile(const QString& mappingFile, const QString& userFile, QString* errorMessage = nullptr);

// Removes name for later sessions. With root, from the system file in any case (as resetSystemEnvVar)
// and from the per-user file when it holds name; without root, from the per-user file when it holds
// name, and from the system file only when that holds name too (which fails without write access, and
// says so). error is "" on success; needsRoot tells whether the failed edit was the system file's.
struct EnvResetOutcome {
    QString error;
    bool needsRoot;
};
EnvResetOutcome resetEnvVarForSessions(const char* name, const QString& systemFile, const QString& userFile,
                                       bool root);

// True when the regular file at path holds a line that assigns name by the system file's rule; false
// when it does not, or cannot be read.
bool fileAssignsEnvVar(const QString& path, const char* name);

// The same by the per-user file's rule (systemd's reader).
bool userFileAssignsEnvVar(const QString& path, const char* name);

// Which of the mapping variables Stickwell may have saved for later sessions are there: the line
// variable in the system file or in the per-user file, the file variable in the per-user file (it is
// never written to the system file). Reset is worth offering while any() holds.
struct SavedMappingVariables {
    bool lineSystemWide = false;
    bool lineForUser = false;
    bool fileForUser = false;
    bool any() const { return lineSystemWide || lineForUser || fileForUser; }
};
SavedMappingVariables savedMappingVariables(const QString& systemFile, const QString& userFile);

// Removes what Stickwell saved: SDL_GAMECONTROLLERCONFIG as resetEnvVarForSessions does, and
// SDL_GAMECONTROLLERCONFIG_FILE from the per-user file in the same rewrite of that file.
EnvResetOutcome resetMappingVariables(const QString& systemFile, const QString& userFile, bool root);

// value with every character that the readers of the system file take differently replaced by a
// blank: "#" (pam_env ends the line there), "$" and "\" (systemd expands and unescapes), and quotation
// marks ('"' and "'": quoting is read differently). A mapping's GUID and bindings never hold these, so
// only its name changes. simplified (if given) tells whether anything was replaced. For the system
// file only: the per-user file carries any value exactly.
QByteArray systemEnvironmentValue(const QByteArray& value, bool* simplified = nullptr);

// The start-up report's lines on SDL_GAMECONTROLLERCONFIG_FILE, whose value in the program's own
// environment is value (getEnvVar): "Environment variable "SDL_GAMECONTROLLERCONFIG_FILE" is not
// defined", or "... is set to: "<value>"" followed, when games would take nothing from it, by
// "Warning: "SDL_GAMECONTROLLERCONFIG_FILE" gives games no mappings: <why>" (not absolute, does not
// exist, not a file, can't be read).
QStringList mappingFileReport(const QString& value);

#endif
