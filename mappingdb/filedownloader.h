#ifndef FILEDOWNLOADER_H
#define FILEDOWNLOADER_H
// Downloads one file in the background and keeps its bytes; used by the update check.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// The most a download may bring: the community database is about 600 KB, so a larger body is an error
// page, a wrong file or an attack, and is refused before it can fill the memory.
constexpr qint64 kMaxDownloadBytes = 16 * 1024 * 1024;

// How long a request may go without any data moving before it is given up (the transfer timeout of
// the window's network manager), so that a server that accepts and never answers ends it.
constexpr int kNetworkTimeoutMs = 30000;

// How long a download may take in all before it is given up, however steadily its bytes trickle in:
// the community database takes seconds even on a slow line.
constexpr int kDownloadDeadlineMs = 3 * 60 * 1000;

// Why a finished reply brought no answer to use, fit for the log; empty when it brought HTTP 200.
// "redirect not followed: ...", "HTTP status 404 Not Found", "no answer within 30 s" (the transfer
// timeout), "network error: ..." or "no HTTP status in the reply".
QString replyFailure(QNetworkReply* reply);

class FileDownloader : public QObject
{
    Q_OBJECT
public:
    // Starts the GET at once, through manager (one of its own, with kNetworkTimeoutMs, when null). Redirects
    // are followed (NoLessSafeRedirectPolicy), but never from HTTPS to plain HTTP. downloaded() is emitted
    // once when the request ends, whether it succeeded or not. A body larger than maxBytes fails: the
    // download is aborted as soon as the announced length or the bytes received pass the limit, and a
    // compressed body (gzip, deflate) is unpacked to no more than maxBytes, so memory stays bounded. A
    // download still running deadlineMs after the start is aborted and fails.
    FileDownloader(QUrl url, QObject* parent, QNetworkAccessManager* manager = nullptr,
                   qint64 maxBytes = kMaxDownloadBytes, int deadlineMs = kDownloadDeadlineMs);
    ~FileDownloader() override;

    // The body of a download that succeeded (HTTP 200, complete); empty otherwise.
    QByteArray receivedData() const;
    // Empty after a successful download; otherwise why it failed, fit for the log: what replyFailure
    // says, "the body was cut short ...", "the compressed body was cut short ...", "the body is larger
    // than the limit of 16 MiB ...", "no complete answer within 180 s" (the deadline). Only an HTTP 200
    // with the whole body (whole when unpacked, too) counts as success.
    QString errorString() const;

    // Whether the end of a successful download's body is proven: by its announced length, the last chunk
    // of a chunked body, the end of a compressed stream, or HTTP/2's end of stream. False for a body that
    // simply stopped when the server closed the connection (HTTP/1 without length or chunks), which
    // looks the same whether the server was done or the connection broke, and false after a failure.
    bool bodyEndProven() const;

signals:
    void downloaded();

private slots:
    void fileDownloaded(QNetworkReply* pReply);

private:
    // Moves what has arrived of the body into m_body; once the announced length or the bytes received
    // pass m_iMaxBytes, sets m_tooLarge, drops the bytes and aborts the reply.
    void takeArrivedData(QNetworkReply* pReply);

    qint64 m_iMaxBytes;
    QByteArray m_body;  // the body as far as it has arrived
    QString m_tooLarge; // why the body was refused for its size; empty while it is within the limit
    QString m_timedOut; // why the download was given up at its deadline; empty before
    QByteArray m_downloadedData;
    QString m_errorString;
    bool m_bEndProven = false;
    QTimer* m_pDeadline;
};

#endif
