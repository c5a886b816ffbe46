#ifndef SAFEREPLACE_H
#define SAFEREPLACE_H
// The one way the program replaces a file: a complete, flushed new version renamed over the old one,
// so that a reader (or a crash) sees the old file or the new one, never a mixture or a cut one.

#include <QByteArray>
#include <QString>

#include <sys/types.h>

class QIODevice;

// How replaceFile treats what it finds at the path, and what the new file gets.
struct ReplacePolicy {
    enum LinkHandling { FollowLink, RefuseLink };
    // FollowLink: a symbolic link at path stays; the file it leads to is rewritten beside itself. A link
    // that leads nowhere is a failure. RefuseLink: a link at path is a failure, nothing is followed.
    LinkHandling links = FollowLink;
    // An existing file's mode, owner and group go to the new file. false: it gets createMode and the
    // writer's own owner, as a new file would.
    bool keepOwnerAndMode = true;
    // Only root may give a file away: true lets the replacement go on with the writer's own owner and
    // group when they cannot be given back (EPERM), as a plain save by the user would; false fails then.
    bool ownerMayChange = false;
    // false: a missing file is a failure, nothing is created.
    bool mayCreate = true;
    // The mode of a file that is created (exactly this, whatever the umask).
    mode_t createMode = 0644;
    // Non-empty: before the first replacement a copy <file><suffix> is kept beside it, with the file's
    // mode, owner and group; once there it is never overwritten.
    QString backupSuffix;
    // The temporary file is named <file><temporarySuffix> and six random letters or digits.
    QString temporarySuffix = QStringLiteral(".");
};

// Writes all of bytes to device, which is open for writing, and flushes it when it is a file. A short
// write (a nearly full disk takes what fits) is retried with the rest until every byte is in or a
// write takes nothing. Returns true when every byte is written; otherwise false, and why (if given) is
// the device's error text, e.g. "No space left on device".
bool writeToDevice(QIODevice* device, const QByteArray& bytes, QString* why);

// Replaces the file at path with bytes: temporary file beside the target (created exclusively, with a
// fresh name, so nothing that lies there already is followed, overwritten or removed), written
// completely (short writes retried), flushed to disk (fsync), given its mode and owner, renamed over
// the target in one step, then the folder flushed. Something other than a regular file at path (a
// directory, a FIFO) is never replaced.
//
// Returns true on success (errorMessage and reason, if given, are then cleared). On any failure the old
// file stays byte-identical, no temporary file is left, false is returned, errorMessage says which
// step failed and why (e.g. "Can't write the temporary file /x/f.AbC123: No space left on device")
// and reason only why ("No space left on device"), for callers that word the failure themselves.
bool replaceFile(const QString& path, const QByteArray& bytes, const ReplacePolicy& policy,
                 QString* errorMessage = nullptr, QString* reason = nullptr);

#endif
