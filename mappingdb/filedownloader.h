#ifndef FILEDOWNLOADER_H
#define FILEDOWNLOADER_H
// Downloads one file in the background and keeps its bytes; used by the update check.

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkReply;

// The most a download may bring: the community database is about 600 KB, so a larger body is an error
// page, a wrong file or an attack, and is refused before it can fill the memory.
constexpr qint64 kMaxDownloadBytes = 16 * 1024 * 1024;

class FileDownloader : public QObject
{
    Q_OBJECT
public:
    // Starts the GET at once. Redirects are followed (NoLessSafeRedirectPolicy), but never from HTTPS to
    // plain HTTP. downloaded() is emitted once when the request ends, whether it succeeded or not.
    // A body larger than maxBytes fails: the download is aborted as soon as the announced length or the
    // bytes received pass the limit, and a compressed body (gzip, deflate) is unpacked to no more than
    // maxBytes, so memory stays bounded.
    FileDownloader(QUrl url, QObject* parent, qint64 maxBytes = kMaxDownloadBytes);
    ~FileDownloader() override;

    // The body of a download that succeeded (HTTP 200, complete); empty otherwise.
    QByteArray receivedData() const;
    // Empty after a successful download; otherwise why it failed, fit for the log: "HTTP status 404
    // Not Found", "network error: ...", "redirect not followed: Insecure redirect", "the body was cut
    // short ...", "the compressed body was cut short ...", "the body is larger than the limit of 16 MiB
    // ...". Only an HTTP 200 with the whole body (whole when unpacked, too) counts as success.
    QString errorString() const;

signals:
    void downloaded();

private slots:
    void fileDownloaded(QNetworkReply* pReply);

private:
    // Moves what has arrived of the body into m_body; once the announced length or the bytes received
    // pass m_iMaxBytes, sets m_tooLarge, drops the bytes and aborts the reply.
    void takeArrivedData(QNetworkReply* pReply);

    QNetworkAccessManager m_WebCtrl;
    qint64 m_iMaxBytes;
    QByteArray m_body;  // the body as far as it has arrived
    QString m_tooLarge; // why the body was refused for its size; empty while it is within the limit
    QByteArray m_DownloadedData;
    QString m_errorString;
};

#endif
