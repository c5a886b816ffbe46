#include "mappingsubmitter.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

const char* const kDefaultSubmissionUrl = "http://stickwell.brightmoor.org/gamecontrollerdb.php";

QByteArray submissionBody(const QByteArray& guidText, const QByteArray& mapping)
{
    // Everything but the unreserved characters is escaped, so "+", "&", "=", "%", blanks and non-ASCII
    // bytes all come back unchanged from a form decoder (which would read a bare "+" as a blank).
    return QByteArrayLiteral("guid=") + guidText.toPercentEncoding() + QByteArrayLiteral("&mapping=") +
           mapping.toPercentEncoding();
}

QNetworkReply* submitMapping(QNetworkAccessManager* manager, const QUrl& url, const QByteArray& guidText,
                             const QByteArray& mapping)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    return manager->post(request, submissionBody(guidText, mapping));
}
