#include "filedownloader.h"

#include <QNetworkReply>
#include <QNetworkRequest>

FileDownloader::FileDownloader(QUrl url, QObject* parent) : QObject(parent)
{
    qRegisterMetaType<QNetworkReply*>("QNetworkReply*");
    connect(&m_WebCtrl, SIGNAL(finished(QNetworkReply*)), this, SLOT(fileDownloaded(QNetworkReply*)));

    QNetworkRequest request(url);
    // The database has moved before; follow it, but never from HTTPS down to plain HTTP.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    m_WebCtrl.get(request);
}

FileDownloader::~FileDownloader() = default;

void FileDownloader::fileDownloaded(QNetworkReply* pReply)
{
    const QByteArray body = pReply->readAll();
    m_DownloadedData.clear();
    m_errorString.clear();

    // Only a complete 200 answer is a download; a redirect that was not followed, an error page or a
    // connection that broke off all leave the data empty.
    const QVariant status = pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool redirectRefused = pReply->error() == QNetworkReply::TooManyRedirectsError ||
                                 pReply->error() == QNetworkReply::InsecureRedirectError;
    if (redirectRefused) {
        m_errorString = QStringLiteral("redirect not followed: %1").arg(pReply->errorString());
    } else if (status.isValid() && status.toInt() != 200) {
        m_errorString = QStringLiteral("HTTP status %1 %2")
                            .arg(status.toInt())
                            .arg(pReply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
                            .trimmed();
    } else if (pReply->error() != QNetworkReply::NoError) {
        m_errorString = QStringLiteral("network error: %1").arg(pReply->errorString());
    } else if (!status.isValid()) {
        m_errorString = QStringLiteral("no HTTP status in the reply");
    } else if (pReply->hasRawHeader("Content-Length") && !pReply->hasRawHeader("Content-Encoding") &&
               pReply->header(QNetworkRequest::ContentLengthHeader).toLongLong() != body.size()) {
        // Qt reports most connections that close early; this catches a body that ended short anyway.
        // (A compressed body is unpacked by Qt, so its length differs from the header by design.)
        m_errorString = QStringLiteral("the body was cut short (%1 of %2 bytes)")
                            .arg(body.size())
                            .arg(pReply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
    } else {
        m_DownloadedData = body;
    }

    pReply->deleteLater();
    emit downloaded();
}

QByteArray FileDownloader::receivedData() const
{
    return m_DownloadedData;
}

QString FileDownloader::errorString() const
{
    return m_errorString;
}
