#ifndef LOCALMAPPINGFILE_H
#define LOCALMAPPINGFILE_H
// The user's own mapping file: one line per gamepad, rewritten whole on each save.

#include "portablemapping.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Rewrites the file at path: the pad's own lines are dropped (isPadLine: its GUID and CRCs, so also
// lines written before with the CRC inside the GUID), the other lines are kept in order (a missing
// final newline is supplied), and mapping + "\n" comes last. A line that cannot be read (malformed
// GUID, bad or repeated crc:) is kept, and skipped (if given) gets a line saying so. The new content
// replaces the file only once it is completely written (temporary file and rename); on any failure
// the old file stays byte-identical, false is returned and errorMessage (if given) says why. A missing
// file is created. Refused without writing: a pad without a GUID and a mapping that holds a line
// break. An existing file that cannot be read is left alone (false), never replaced by a file
// without its lines.
bool saveLocalMapping(const QString& path, const PadIdentity& pad, const QByteArray& mapping,
                      QString* errorMessage = nullptr, QStringList* skipped = nullptr);

// The same for the pad whose SDL GUID text is guidText (its CRC taken from the GUID).
bool saveLocalMapping(const QString& path, const QByteArray& guidText, const QByteArray& mapping,
                      QString* errorMessage = nullptr, QStringList* skipped = nullptr);

#endif
