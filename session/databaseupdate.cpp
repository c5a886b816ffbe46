#include "databaseupdate.h"

#include "databasefiles.h"
#include "dialogs.h"
#include "filedownloader.h"
#include "logformat.h"
#include "mappingsession.h"
#include "mappingstore.h"
#include "updatecheck.h"

#include <QCoreApplication>

DatabaseUpdate::DatabaseUpdate(MappingSession& session, MappingStore& store, Dialogs& dialogs,
                               QObject* parent)
    : QObject(parent), m_session(session), m_store(store), m_dialogs(dialogs)
{
}

void DatabaseUpdate::log(const char* text)
{
    emit logged(QString::fromUtf8(text));
}

void DatabaseUpdate::start(const QUrl& url)
{
    m_pDownloader = new FileDownloader(url, this, m_store.network());
    connect(m_pDownloader, &FileDownloader::downloaded, this, [this] {
        take(m_pDownloader->receivedData(), m_pDownloader->errorString(), m_pDownloader->bodyEndProven());
    });
    log(formatText("Checking if new mappings available from github: %s", kDatabaseProjectPage));
}

void DatabaseUpdate::take(const QByteArray& body, const QString& error, bool endProven)
{
    const QString workingCopy = QString::fromUtf8(kCommunityDatabaseFile);
    const UpdateCheckOutcome outcome = checkDownloadedDatabase(body, error, workingCopy, endProven);
    switch (outcome.result) {
    case UpdateCheckResult::NoWorkingCopy:
        return;
    case UpdateCheckResult::Failed: {
        const QByteArray reason = outcome.reason.toUtf8();
        log(formatText("Update check failed: %s", reason.constData()));
        return;
    }
    case UpdateCheckResult::UpToDate:
        log("Mappings are already up-to-date");
        return;
    case UpdateCheckResult::Differs:
        break;
    }
    if (m_session.mode() != MappingSession::Mode::Idle) {
        log("New mappings available; they will be offered at the next start");
        return;
    }
    QString failure;
    if (!replaceWorkingCopy(workingCopy, body, &failure)) {
        const QByteArray reason = failure.toUtf8();
        log(formatText("Error: can't store the new mappings: %s", reason.constData()));
        return;
    }
    log("New mappings available");
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!m_dialogs.ask(QStringLiteral("New mappings available. Do you want to load them?")))
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_store.reload();
    m_session.applyMappingChanges();
}
