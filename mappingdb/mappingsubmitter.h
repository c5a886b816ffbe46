#ifndef MAPPINGSUBMITTER_H
#define MAPPINGSUBMITTER_H
// Sending a new mapping to the maker's mapping-collection service.

#include <QByteArray>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// The collection service's address (plain HTTP, path "/gamecontrollerdb.php").
extern const char* const kDefaultSubmissionUrl;

// The form body: "guid=<guid>&mapping=<mapping>", each value encoded so that any standard
// application/x-www-form-urlencoded decoder gives back the exact bytes ("+" as "%2B", and so on).
QByteArray submissionBody(const QByteArray& guidText, const QByteArray& mapping);

// POSTs the body to url with the content type "application/x-www-form-urlencoded".
// The reply belongs to manager.
QNetworkReply* submitMapping(QNetworkAccessManager* manager, const QUrl& url, const QByteArray& guidText,
                             const QByteArray& mapping);

#endif
