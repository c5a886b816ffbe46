#ifndef UPDATECHECK_H
#define UPDATECHECK_H
// Comparing a downloaded community database with the working copy, and replacing it safely.

#include <QByteArray>
#include <QString>

extern const char* const kDefaultDatabaseUrl;    // raw gamecontrollerdb.txt of the community database
extern const char* const kDatabaseProjectPage;   // its project page, for the log only

enum class UpdateCheckResult {
    Failed,        // the download failed or its body is not a mapping database: nothing is written
    NoWorkingCopy, // no working copy to compare against: nothing is written
    UpToDate,      // same bytes (SHA-1) as the working copy
    Differs,       // different bytes: the caller may replace the working copy
};

struct UpdateCheckOutcome {
    UpdateCheckResult result;
    QString reason; // for Failed: why, in a few words fit for the log
};

// Decides what a download means for the working copy at workingCopyPath; writes nothing.
// downloadError is the downloader's errorString() (empty when the download succeeded).
UpdateCheckOutcome checkDownloadedDatabase(const QByteArray& bytes, const QString& downloadError,
                                           const QString& workingCopyPath);

// True when bytes look like an SDL mapping database (text lines of GUID,name,... mappings), not an
// HTML page, an empty or binary body; otherwise false and why.
bool looksLikeMappingDatabase(const QByteArray& bytes, QString* why = nullptr);

// Replaces the file at path with bytes through a temporary file and a rename; on failure the old file
// stays byte-identical and errorMessage says why.
bool replaceWorkingCopy(const QString& path, const QByteArray& bytes, QString* errorMessage = nullptr);

#endif
