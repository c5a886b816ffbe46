#include "updatecheck.h"

#include "filedownloader.h"
#include "mappingline.h"
#include "wholefilewrite.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSet>
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QStringDecoder>
#else
#include <QTextCodec>
#endif

const char* const kDefaultDatabaseUrl =
    "https://raw.githubusercontent.com/mdqinc/SDL_GameControllerDB/master/gamecontrollerdb.txt";
const char* const kDatabaseProjectPage = "https://github.com/mdqinc/SDL_GameControllerDB";

namespace
{
bool fail(QString* why, const QString& text)
{
    if (why)
        *why = text;
    return false;
}

// Valid UTF-8 throughout, a sequence cut off at the end included.
bool isWholeUtf8(const QByteArray& bytes)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    // Stateless: a cut-off sequence at the end is an error, not kept for more input.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return !decoder.hasError();
#else
    QTextCodec::ConverterState state;
    QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
#endif
}

// A mapping line as the update check takes it: one MappingLine reads, with a non-empty name and no
// field without a colon (an error or login page served as text has those).
bool isMappingLine(const QByteArray& line)
{
    MappingLine parsed;
    if (!MappingLine::parse(line, &parsed))
        return false;
    if (parsed.name.isEmpty())
        return false;
    for (const QByteArray& field : parsed.otherFields)
        if (!field.contains(':'))
            return false;
    return true;
}

// The mapping lines of text for this platform (those SDL's loader adds), each by the pad it is for:
// its portable GUID and its CRC.
QSet<QByteArray> padsOfThisPlatform(const QByteArray& text)
{
    QSet<QByteArray> pads;
    for (const QByteArray& line : MappingLine::splitLines(text)) {
        MappingLine parsed;
        if (MappingLine::isBlankOrComment(line) || !MappingLine::whySdlSkips(line).isEmpty() ||
            !MappingLine::parse(line, &parsed))
            continue;
        pads.insert(MappingLine::portableGuid(parsed.guid) + ',' + QByteArray::number(parsed.crc, 16));
    }
    return pads;
}

// Why a body whose end nothing proves (no length, not chunked, not compressed) may be cut short; empty
// when it ends with a complete line and keeps the pads the current copy maps for this platform.
QString cutShortReason(const QByteArray& bytes, const QByteArray& current)
{
    if (!bytes.endsWith('\n'))
        return QStringLiteral("the body ends inside a line and nothing says where it should end: it may have "
                              "been cut short");
    // A cut at the end of a line loses every line after it, so the pads lost show it. A real update
    // drops a pad's line only now and then (lines merged or corrected), a few in a thousand, while a cut
    // anywhere but in the last few lines of this platform's lines loses far more than the share allowed.
    const QSet<QByteArray> before = padsOfThisPlatform(current);
    const QSet<QByteArray> after = padsOfThisPlatform(bytes);
    int lost = 0;
    for (const QByteArray& pad : before)
        if (!after.contains(pad))
            ++lost;
    if (lost * 100 > before.size() * kMaxLostSharePercent)
        return QStringLiteral("the body lacks %1 of the %2 mappings for this platform that the current copy "
                              "has, and nothing says where it should end: it may have been cut short")
            .arg(lost)
            .arg(before.size());
    return QString();
}
} // namespace

bool looksLikeMappingDatabase(const QByteArray& bytes, QString* why)
{
    if (bytes.isEmpty())
        return fail(why, QStringLiteral("the body is empty"));
    // Checked first: nothing below needs to look at a body this size.
    if (bytes.size() > kMaxDownloadBytes)
        return fail(why, QStringLiteral("the body is larger than the limit of %1 MiB (%2 bytes)")
                             .arg(kMaxDownloadBytes / (1024 * 1024))
                             .arg(bytes.size()));
    if (bytes.contains('\0'))
        return fail(why, QStringLiteral("the body is binary, not text"));
    if (!isWholeUtf8(bytes))
        return fail(why, QStringLiteral("the body is not UTF-8 text"));

    const QByteArray start = bytes.left(512).trimmed().toLower();
    if (start.startsWith('<') || start.contains("<html") || start.contains("<!doctype"))
        return fail(why, QStringLiteral("the body is an HTML page, not a mapping database"));

    // Every line must be blank, a comment or a mapping: an error or login page served as text fails
    // here, while the real database passes whole.
    int mappings = 0;
    int lineNumber = 0;
    for (const QByteArray& raw : MappingLine::splitLines(bytes)) {
        ++lineNumber;
        // Blanks around a line are no part of it for this check.
        const QByteArray line = raw.trimmed();
        if (MappingLine::isBlankOrComment(line))
            continue;
        if (!isMappingLine(line))
            return fail(why, QStringLiteral("line %1 is not a mapping: \"%2\"")
                                 .arg(lineNumber)
                                 .arg(QString::fromUtf8(line.left(60))));
        if (++mappings > kMaxDatabaseMappings)
            return fail(why, QStringLiteral("the body holds more than %1 mappings, far more than a mapping "
                                            "database has")
                                 .arg(kMaxDatabaseMappings));
    }
    if (mappings == 0)
        return fail(why, QStringLiteral("the body holds no mappings"));
    if (why)
        why->clear();
    return true;
}

UpdateCheckOutcome checkDownloadedDatabase(const QByteArray& bytes, const QString& downloadError,
                                           const QString& workingCopyPath, bool endProven)
{
    if (!downloadError.isEmpty())
        return {UpdateCheckResult::Failed, downloadError};
    QString why;
    if (!looksLikeMappingDatabase(bytes, &why))
        return {UpdateCheckResult::Failed, why};

    // The update check never creates the working copy: without one there is nothing to compare against.
    QFile workingCopy(workingCopyPath);
    if (!workingCopy.exists())
        return {UpdateCheckResult::NoWorkingCopy, QStringLiteral("%1 does not exist").arg(workingCopyPath)};
    if (!workingCopy.open(QIODevice::ReadOnly))
        return {UpdateCheckResult::NoWorkingCopy,
                QStringLiteral("cannot read %1: %2").arg(workingCopyPath, workingCopy.errorString())};
    const QByteArray current = workingCopy.readAll();
    if (workingCopy.error() != QFileDevice::NoError)
        return {UpdateCheckResult::NoWorkingCopy,
                QStringLiteral("cannot read %1: %2").arg(workingCopyPath, workingCopy.errorString())};

    if (!endProven) {
        const QString why = cutShortReason(bytes, current);
        if (!why.isEmpty())
            return {UpdateCheckResult::Failed, why};
    }

    const QByteArray downloadedDigest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
    const QByteArray currentDigest = QCryptographicHash::hash(current, QCryptographicHash::Sha1);
    if (downloadedDigest == currentDigest)
        return {UpdateCheckResult::UpToDate, QString()};
    return {UpdateCheckResult::Differs, QString()};
}

bool replaceWorkingCopy(const QString& path, const QByteArray& bytes, QString* errorMessage)
{
    return writeWholeFile(path, bytes, errorMessage);
}
