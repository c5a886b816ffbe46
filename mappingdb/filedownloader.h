#ifndef FILEDOWNLOADER_H
#define FILEDOWNLOADER_H
// Downloads one file in the background and keeps its bytes; used by the update check.

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkReply;

class FileDownloader : public QObject
{
    Q_OBJECT
public:
    // Starts the GET at once. Redirects are followed (NoLessSafeRedirectPolicy), but never from HTTPS to
    // plain HTTP. downloaded() is emitted once when the request ends, whether it succeeded or not.
    FileDownloader(QUrl url, QObject* parent);
    ~FileDownloader() override;

    // The body of a download that succeeded (HTTP 200, complete); empty otherwise.
    QByteArray receivedData() const;
    // Empty after a successful download; otherwise why it failed, fit for the log: "HTTP status 404
    // Not Found", "network error: ...", "redirect not followed: Insecure redirect", "the body was cut
    // short ...". Only an HTTP 200 with the whole body counts as success.
    QString errorString() const;

signals:
    void downloaded();

private slots:
    void fileDownloaded(QNetworkReply* pReply);

private:
    QNetworkAccessManager m_WebCtrl;
    QByteArray m_DownloadedData;
    QString m_errorString;
};

#endif
