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
    // Starts the GET at once. Redirects are followed, but never from HTTPS to plain HTTP.
    FileDownloader(QUrl url, QObject* parent);
    ~FileDownloader() override;

    // The body of a download that succeeded (HTTP 200, complete); empty otherwise.
    QByteArray receivedData() const;
    // Empty after a successful download; otherwise why it failed (network error, status, ...).
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
