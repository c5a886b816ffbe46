#include "filedownloader.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <cstring>
#include <zlib.h>

namespace
{
// How much of a body Qt may hold before this takes it (the read buffer of the reply).
const qint64 kReadChunk = 256 * 1024;

QString sizeText(qint64 bytes)
{
    const qint64 mib = 1024 * 1024;
    return bytes % mib == 0 ? QStringLiteral("%1 MiB").arg(bytes / mib)
                            : QStringLiteral("%1 bytes").arg(bytes);
}

// Appends piece to body. For an append that needs room, Qt 6 copies the body into a new block while the
// old one is still held, twice the body in memory at once; reserve() grows the block in place.
void appendInPlace(QByteArray& body, const QByteArray& piece)
{
    const auto needed = body.size() + piece.size();
    if (body.capacity() < needed)
        body.reserve(qMax(needed, 2 * body.capacity()));
    body += piece;
}

// Unpacks a gzip or zlib body (rawDeflate: a deflate stream without a header) into *out, never more than
// maxBytes of it. Returns "" or why it cannot be unpacked.
QString inflateBody(const QByteArray& in, bool rawDeflate, qint64 maxBytes, QByteArray* out)
{
    z_stream stream;
    std::memset(&stream, 0, sizeof stream);
    // 32 + MAX_WBITS takes a gzip or a zlib header, whichever comes.
    if (inflateInit2(&stream, rawDeflate ? -MAX_WBITS : 32 + MAX_WBITS) != Z_OK)
        return QStringLiteral("the compressed body cannot be unpacked");
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
    stream.avail_in = static_cast<uInt>(in.size());
    QString failure;
    int result = Z_OK;
    while (result == Z_OK) {
        char chunk[65536];
        stream.next_out = reinterpret_cast<Bytef*>(chunk);
        stream.avail_out = sizeof chunk;
        result = inflate(&stream, Z_NO_FLUSH);
        const int produced = static_cast<int>(sizeof chunk - stream.avail_out);
        if (out->size() + qint64(produced) > maxBytes) {
            failure = QStringLiteral("the body is larger than the limit of %1 once unpacked")
                          .arg(sizeText(maxBytes));
            break;
        }
        appendInPlace(*out, QByteArray::fromRawData(chunk, produced));
    }
    inflateEnd(&stream);
    if (!failure.isEmpty())
        return failure;
    if (result == Z_STREAM_END)
        return QString();
    // No progress with all input used: the stream stops before its end.
    if (result == Z_BUF_ERROR)
        return QStringLiteral("the compressed body was cut short (%1 bytes received)").arg(in.size());
    return QStringLiteral("the compressed body is damaged");
}
} // namespace

QString replyFailure(QNetworkReply* reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    if (error == QNetworkReply::TooManyRedirectsError || error == QNetworkReply::InsecureRedirectError)
        return QStringLiteral("redirect not followed: %1").arg(reply->errorString());
    if (status.isValid() && status.toInt() != 200)
        return QStringLiteral("HTTP status %1 %2")
            .arg(status.toInt())
            .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
            .trimmed();
    if (error == QNetworkReply::OperationCanceledError) {
        // Nothing else cancels these requests: the transfer timeout has run out.
        int timeout = reply->request().transferTimeout();
        if (timeout == 0 && reply->manager())
            timeout = reply->manager()->transferTimeout();
        return timeout % 1000 == 0 ? QStringLiteral("no answer within %1 s").arg(timeout / 1000)
                                   : QStringLiteral("no answer within %1 ms").arg(timeout);
    }
    if (error != QNetworkReply::NoError)
        return QStringLiteral("network error: %1").arg(reply->errorString());
    if (!status.isValid())
        return QStringLiteral("no HTTP status in the reply");
    return QString();
}

FileDownloader::FileDownloader(QUrl url, QObject* parent, QNetworkAccessManager* manager, qint64 maxBytes,
                               int deadlineMs)
    : QObject(parent), m_iMaxBytes(maxBytes), m_pDeadline(new QTimer(this))
{
    qRegisterMetaType<QNetworkReply*>("QNetworkReply*");
    if (!manager) {
        manager = new QNetworkAccessManager(this);
        manager->setTransferTimeout(kNetworkTimeoutMs);
    }

    QNetworkRequest request(url);
    // The database has moved before; follow it, but never from HTTPS down to plain HTTP.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    // What Qt would ask for itself; asked for by hand, Qt hands the body over still compressed, with its
    // Content-Length, so that a cut-off compressed body is noticed and the unpacking is bounded here.
    // (Qt 5 unpacks without a bound and, having dropped the length, takes a cut-off one as complete.)
    request.setRawHeader("Accept-Encoding", "gzip, deflate");
    QNetworkReply* pReply = manager->get(request);
    // Taken as it arrives and checked: left alone, the reply would buffer the whole body, however large.
    // The small read buffer makes Qt read from the network only as fast as this drains it, so it cannot
    // run ahead of the check.
    pReply->setReadBufferSize(kReadChunk);
    connect(pReply, &QNetworkReply::metaDataChanged, this, [this, pReply] { takeArrivedData(pReply); });
    connect(pReply, &QIODevice::readyRead, this, [this, pReply] { takeArrivedData(pReply); });
    // A redirect's own body is no part of the download.
    connect(pReply, &QNetworkReply::redirected, this, [this] { m_body.clear(); });
    // The reply's own signal: the manager may carry other requests.
    connect(pReply, &QNetworkReply::finished, this, [this, pReply] { fileDownloaded(pReply); });

    // The transfer timeout counts only silence: a server that sends a byte now and then would hold the
    // download open for good.
    m_pDeadline->setSingleShot(true);
    connect(m_pDeadline, &QTimer::timeout, this, [this, pReply, deadlineMs] {
        m_timedOut = deadlineMs % 1000 == 0
                         ? QStringLiteral("no complete answer within %1 s").arg(deadlineMs / 1000)
                         : QStringLiteral("no complete answer within %1 ms").arg(deadlineMs);
        m_body.clear();
        pReply->abort();
    });
    m_pDeadline->start(deadlineMs);
}

void FileDownloader::takeArrivedData(QNetworkReply* pReply)
{
    if (!m_tooLarge.isEmpty() || !m_timedOut.isEmpty())
        return;
    // Both count the bytes as they come, compressed or not; inflateBody bounds what they unpack to.
    const QVariant announced = pReply->header(QNetworkRequest::ContentLengthHeader);
    if (announced.isValid() && announced.toLongLong() > m_iMaxBytes) {
        m_tooLarge = QStringLiteral("the body is larger than the limit of %1 (%2 bytes announced)")
                         .arg(sizeText(m_iMaxBytes))
                         .arg(announced.toLongLong());
    } else {
        appendInPlace(m_body, pReply->readAll());
        if (m_body.size() <= m_iMaxBytes)
            return;
        m_tooLarge = QStringLiteral("the body is larger than the limit of %1 (stopped after %2 bytes)")
                         .arg(sizeText(m_iMaxBytes))
                         .arg(m_body.size());
    }
    m_body.clear();
    pReply->abort();
}

FileDownloader::~FileDownloader() = default;

void FileDownloader::fileDownloaded(QNetworkReply* pReply)
{
    m_pDeadline->stop();
    m_downloadedData.clear();
    m_errorString.clear();
    m_bEndProven = false;
    takeArrivedData(pReply);
    const QByteArray body = m_body;
    m_body.clear();

    // Only a complete 200 answer is a download; a redirect that was not followed, an error page or a
    // connection that broke off all leave the data empty.
    m_errorString = !m_tooLarge.isEmpty()   ? m_tooLarge
                    : !m_timedOut.isEmpty() ? m_timedOut
                                            : replyFailure(pReply);
    if (m_errorString.isEmpty() && pReply->hasRawHeader("Content-Length") &&
        pReply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > body.size()) {
        // Qt reports most connections that close early; this catches a body that ended short anyway.
        // Only short counts: HTTP never delivers more than announced, so more means the length is the
        // redirect's own, which Qt sometimes keeps after following it.
        m_errorString = QStringLiteral("the body was cut short (%1 of %2 bytes)")
                            .arg(body.size())
                            .arg(pReply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
    } else if (m_errorString.isEmpty()) {
        const QByteArray encoding = pReply->rawHeader("Content-Encoding").trimmed().toLower();
        if (encoding.isEmpty() || encoding == "identity") {
            m_downloadedData = body;
            // Qt checks the length and the chunks, and HTTP/2's frames, for a connection that broke off;
            // without any of them the end of the body is wherever the connection ended.
            m_bEndProven = pReply->hasRawHeader("Content-Length") ||
                           pReply->rawHeader("Transfer-Encoding").toLower().contains("chunked") ||
                           pReply->attribute(QNetworkRequest::Http2WasUsedAttribute).toBool();
        } else if (encoding == "gzip" || encoding == "x-gzip" || encoding == "deflate") {
            QByteArray unpacked;
            QString why = inflateBody(body, false, m_iMaxBytes, &unpacked);
            // "deflate" is meant to have a zlib header, but some servers send the bare stream.
            if (!why.isEmpty() && encoding == "deflate" && unpacked.isEmpty())
                why = inflateBody(body, true, m_iMaxBytes, &unpacked);
            // A compressed stream carries its own end, which inflateBody has reached.
            m_bEndProven = why.isEmpty();
            if (why.isEmpty())
                m_downloadedData = unpacked;
            else
                m_errorString = why;
        } else {
            m_errorString = QStringLiteral("the body comes in an encoding that cannot be unpacked: %1")
                                .arg(QString::fromLatin1(encoding));
        }
    }

    pReply->deleteLater();
    emit downloaded();
}

QByteArray FileDownloader::receivedData() const
{
    return m_downloadedData;
}

QString FileDownloader::errorString() const
{
    return m_errorString;
}

bool FileDownloader::bodyEndProven() const
{
    return m_bEndProven;
}
