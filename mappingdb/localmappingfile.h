#ifndef LOCALMAPPINGFILE_H
#define LOCALMAPPINGFILE_H
// The user's own mapping file: one line per gamepad, rewritten whole on each save.

#include <QByteArray>
#include <QString>

// Rewrites the file at path: every line that contains guidText (anywhere, case-sensitive) is dropped,
// the other lines are kept in order (a missing final newline is supplied), and mapping + "\n" comes
// last. The new content replaces the file only once it is completely written (temporary file and
// rename); on any failure the old file stays byte-identical, false is returned and errorMessage
// (if given) says why. A missing file is created. Refused without writing: an empty guidText (every
// line holds it) and a mapping that holds a line break. An existing file that cannot be read is left
// alone (false), never replaced by a file without its lines.
bool saveLocalMapping(const QString& path, const QByteArray& guidText, const QByteArray& mapping,
                      QString* errorMessage = nullptr);

#endif
