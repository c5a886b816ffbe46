#ifndef MAPPINGSTORE_H
#define MAPPINGSTORE_H
// Where a finished mapping line goes: the user's own mapping file, SDL, the collection service; and the
// lines this session has given SDL, which outlive a reload of the database files.

#include "mappingsources.h"
#include "portablemapping.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// What storing one line came to; the log has the details already.
struct StoreResult {
    QByteArray line;         // the line as stored and sent
    bool saved = false;      // written to the local mapping file
    QString unsaved;         // why it was not saved there; empty when it was
    bool registered = false; // SDL took it, so it works until the program ends
};

class MappingStore : public QObject
{
    Q_OBJECT
public:
    // Submissions go to submissionUrl. The store's network manager gives up a request after
    // networkTimeoutMs without data moving; the update check shares it (network()).
    MappingStore(const QUrl& submissionUrl, int networkTimeoutMs, QObject* parent = nullptr);

    // Start-up: enters the data directory (enterDataDirectory: it becomes the working directory, the
    // seed is copied there when the community file is missing) and hands both mapping files, then the
    // configured mappings, to SDL. When the directory cannot be used, only the configured mappings are
    // loaded, nothing can be saved, and false is returned with why saying why.
    bool open(const QString& dataDirectory, const QString& seedPath, QString* why = nullptr,
              const QList<QByteArray>& steamLines = {});
    // Logs the lines of the local file that SDL skips on this platform (skippedLinesReport).
    void reportAtStart();
    // Whether open() succeeded: the local file and the community database can be written.
    bool canSave() const { return m_bDataDirectory; }

    // Stores a finished line for pad: logs it, saves it in the local file in place of the pad's earlier
    // lines, sends it with the pad's GUID to the collection service (the answer is logged when it
    // comes), registers it with SDL (and keeps it as a session line when SDL takes it), and notes when
    // SDL_GAMECONTROLLERCONFIG holds another line for the pad. A line that could not be saved is logged
    // as such; the result says why, so the caller can offer the line another way.
    StoreResult store(const QByteArray& line, const PadIdentity& pad);

    // Hands both mapping files and the configured mappings to SDL again (after an update), then the
    // session's own lines, which are newer than anything in them.
    void reload();

    // The lines SDL took from store() since the start, oldest first.
    const QList<QByteArray>& sessionLines() const { return m_sessionLines; }
    // Every line the program has handed to SDL, lowest priority first, with its origin: the sources as
    // open() or the last reload() read them (only the configured ones without a data directory), then
    // the session's lines. A pad's own line and its relatives are found here, not in what SDL holds.
    QList<SourcedLine> sources() const;
    // The one network manager of the session: submissions and the update check's download.
    QNetworkAccessManager* network() const { return m_pNetwork; }

signals:
    // One user-visible line for the log, as the window writes it.
    void logged(const QString& line);

private:
    void log(const char* text);
    void submitted(QNetworkReply* reply);
    // Reads the sources as SDL was just given them.
    void readSources();

    QUrl m_submissionUrl;
    QNetworkAccessManager* m_pNetwork;
    bool m_bDataDirectory = false;
    QList<QByteArray> m_steamLines; // Steam's configuration held them at start
    QList<QByteArray> m_sessionLines;
    QList<SourcedLine> m_loaded; // what open() or reload() handed to SDL
};

#endif
