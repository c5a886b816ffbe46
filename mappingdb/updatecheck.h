#ifndef UPDATECHECK_H
#define UPDATECHECK_H
// Comparing a downloaded community database with the working copy, and replacing it safely.

#include <QByteArray>
#include <QString>

extern const char* const kDefaultDatabaseUrl;  // raw gamecontrollerdb.txt of the community database
extern const char* const kDatabaseProjectPage; // its project page, for the log only

enum class UpdateCheckResult {
    Failed,        // the download failed or its body is not a mapping database: nothing is written
    NoWorkingCopy, // no working copy to compare against: nothing is written
    UpToDate,      // same bytes (SHA-1) as the working copy
    Differs,       // different bytes: the caller may replace the working copy
};

struct UpdateCheckOutcome {
    UpdateCheckResult result;
    QString reason; // for Failed and NoWorkingCopy: why, in a few words fit for the log; else empty
};

// The most a body whose end is not proven may lose, in percent of the pads the working copy maps for
// this platform, before it counts as cut short (see checkDownloadedDatabase).
constexpr int kMaxLostSharePercent = 5;

// Decides what a download means for the working copy at workingCopyPath; writes nothing.
// downloadError is the downloader's errorString() (empty when the download succeeded) and endProven its
// bodyEndProven(). Failed when downloadError is set or bytes fail looksLikeMappingDatabase; NoWorkingCopy
// when the file is missing or unreadable; Failed, too, when endProven is false and the bytes do not end
// with a complete line or lack the lines of more than kMaxLostSharePercent of the pads (GUID and CRC)
// that the working copy maps for this platform; otherwise UpToDate or Differs by SHA-1 of the whole
// contents. A working copy holding only a header line always differs from a real database.
UpdateCheckOutcome checkDownloadedDatabase(const QByteArray& bytes, const QString& downloadError,
                                           const QString& workingCopyPath, bool endProven);

// The most mappings a database may hold. The community database has about 2300, and SDL's loader takes
// time that grows with the square of the count (10 000 for this platform take about 3 s at every
// start), so a file with far more is refused as an update rather than installed.
constexpr int kMaxDatabaseMappings = 20000;

// True when bytes look like an SDL mapping database: UTF-8 text without NUL bytes whose every line is
// blank, a "#" comment or a mapping (one MappingLine::parse reads, with a non-empty name and no field
// without a colon), with at least one mapping and at most kMaxDatabaseMappings, in no more than
// kMaxDownloadBytes (filedownloader.h). False for an HTML page, an empty, binary, oversized or other
// body; why (if given) then says what is wrong.
bool looksLikeMappingDatabase(const QByteArray& bytes, QString* why = nullptr);

// Replaces the file at path with bytes through a temporary file and a rename (its permissions kept);
// on failure the old file stays byte-identical, false is returned and errorMessage says
// "Cannot write <path>: <why>".
bool replaceWorkingCopy(const QString& path, const QByteArray& bytes, QString* errorMessage = nullptr);

#endif
