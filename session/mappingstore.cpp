#include "mappingstore.h"

#include "databasefiles.h"
#include "environmentfile.h"
#include "filedownloader.h"
#include "localmappingfile.h"
#include "logformat.h"
#include "mappingline.h"
#include "mappingsubmitter.h"
#include "skippedlines.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <SDL.h>
#include <utility>

MappingStore::MappingStore(const QUrl& submissionUrl, int networkTimeoutMs, QObject* parent)
    : QObject(parent), m_submissionUrl(submissionUrl), m_pNetwork(new QNetworkAccessManager(this))
{
    m_pNetwork->setTransferTimeout(networkTimeoutMs);
}

void MappingStore::log(const char* text)
{
    emit logged(QString::fromUtf8(text));
}

bool MappingStore::open(const QString& dataDirectory, const QString& seedPath, QString* why,
                        const QList<QByteArray>& steamLines)
{
    m_steamLines = steamLines;
    m_bDataDirectory = enterDataDirectory(dataDirectory, seedPath, why);
    if (m_bDataDirectory)
        loadMappingFiles(m_steamLines);
    else
        loadConfiguredMappings();
    readSources();
    return m_bDataDirectory;
}

void MappingStore::reportAtStart()
{
    // Games that read the file pass over such lines without a word: say it here.
    if (m_bDataDirectory)
        for (const QString& line : skippedLinesReport(QString::fromUtf8(kLocalDatabaseFile)))
            emit logged(line);
}

StoreResult MappingStore::store(const QByteArray& line, const PadIdentity& pad)
{
    StoreResult result;
    result.line = line;
    log(formatText("Mapping string: '%s'", line.constData()));
    result.unsaved = QStringLiteral("the data directory cannot be used");
    QStringList skipped;
    if (m_bDataDirectory &&
        saveLocalMapping(QString::fromUtf8(kLocalDatabaseFile), pad, line, &result.unsaved, &skipped)) {
        result.unsaved.clear();
        result.saved = true;
    }
    for (const QString& text : skipped)
        log(text.toUtf8().constData());

    QNetworkReply* reply = submitMapping(m_pNetwork, m_submissionUrl, pad.guid, line);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { submitted(reply); });

    result.registered = SDL_GameControllerAddMapping(line.constData()) >= 0;
    if (result.registered)
        m_sessionLines << line;
    else
        log(formatText("Error: SDL did not take the mapping: %s", SDL_GetError()));
    // This program reads the variable like any other mapping; games started with it still prefer it.
    MappingLine configured;
    const bool configuredLine =
        MappingLine::parse(padLineIn(getEnvVar(kMappingVariable).toUtf8(), pad), &configured);
    configured.crc = pad.crc;
    if (configuredLine && configured.text() != line)
        log(formatText("Note: \"%s\" holds another mapping for this gamepad; games started with it use "
                       "that one until you set this one with \"Set Mapping As Environment Variable\"",
                       kMappingVariable));
    if (!result.saved) {
        const QByteArray reason = result.unsaved.toUtf8();
        log(formatText("Error: can't save the mapping in %s: %s", kLocalDatabaseFile, reason.constData()));
    }
    return result;
}

void MappingStore::submitted(QNetworkReply* reply)
{
    const QByteArray failure = replyFailure(reply).toUtf8();
    if (failure.isEmpty())
        log("Mapping sent to the collection service");
    else
        log(formatText("Mapping not sent: %s", failure.constData()));
    reply->deleteLater();
}

void MappingStore::reload()
{
    loadMappingFiles(m_steamLines);
    // The reload brings back the configured mappings; what was made since the start stays newer.
    for (const QByteArray& line : std::as_const(m_sessionLines))
        SDL_GameControllerAddMapping(line.constData());
    readSources();
}

void MappingStore::readSources()
{
    // The working directory is the data directory once open() succeeded.
    m_loaded = readMappingSources(QString(), QProcessEnvironment::systemEnvironment(), m_steamLines);
    if (m_bDataDirectory)
        return;
    QList<SourcedLine> configured;
    for (const SourcedLine& line : std::as_const(m_loaded))
        if (line.origin == MappingOrigin::ConfiguredFile || line.origin == MappingOrigin::ConfiguredVariable)
            configured << line;
    m_loaded = configured;
}

QList<SourcedLine> MappingStore::sources() const
{
    QList<SourcedLine> lines = m_loaded;
    for (const QByteArray& line : m_sessionLines)
        lines.append({line, MappingOrigin::Session});
    return lines;
}
