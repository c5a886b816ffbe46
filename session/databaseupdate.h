#ifndef DATABASEUPDATE_H
#define DATABASEUPDATE_H
// The update check of the community database: download it, compare it with the working copy, replace
// the copy when it differs, and on the user's Yes load the new mappings (the session's own lines stay
// on top) and rebuild the list. Never while a capture runs: the new file waits for the next start.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

class Dialogs;
class FileDownloader;
class MappingSession;
class MappingStore;

class DatabaseUpdate : public QObject
{
    Q_OBJECT
public:
    // session, store and dialogs must outlive the update.
    DatabaseUpdate(MappingSession& session, MappingStore& store, Dialogs& dialogs, QObject* parent = nullptr);

    // Starts the download from url through the store's network manager and logs that it checks;
    // take() follows when it ends. Only with a usable data directory (the caller checks).
    void start(const QUrl& url);

    // What a finished download means: body is what arrived, error why the download failed (empty when
    // it succeeded; endProven: the server marked where the body ends). Logs the outcome; a new database
    // replaces the working copy (unless a capture runs), and the question whether to load it goes through the
    // dialogs.
    void take(const QByteArray& body, const QString& error, bool endProven = true);

signals:
    // One user-visible line for the log, as the window writes it.
    void logged(const QString& line);

private:
    void log(const char* text);

    MappingSession& m_session;
    MappingStore& m_store;
    Dialogs& m_dialogs;
    FileDownloader* m_pDownloader = nullptr;
};

#endif
