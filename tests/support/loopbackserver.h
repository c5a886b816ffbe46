#ifndef LOOPBACKSERVER_H
#define LOOPBACKSERVER_H
// Drives httpserver.py (a Python http.server on 127.0.0.1) from a test: sets the responses it gives
// and reads back the requests it received. Needs the compile definitions STICKWELL_PYTHON and
// STICKWELL_TESTS_DIR.

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class LoopbackServer
{
public:
    LoopbackServer();
    ~LoopbackServer(); // stops the server

    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // Starts the server, over TLS when certPath and keyPath are given. Returns false (and errorString
    // says why) when Python or the script cannot be run or no port is reported within a few seconds.
    bool start(const QString& certPath = QString(), const QString& keyPath = QString());
    QString errorString() const { return m_errorString; }

    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>" (or https when started over TLS) followed by path.
    QString url(const QString& path) const;

    // Replaces the routes (path -> response, as httpserver.py describes); read again for every request.
    void setRoutes(const QJsonObject& routes);

    // The next request the server reported, waiting up to timeoutMs; an empty object on timeout.
    QJsonObject nextRequest(int timeoutMs = 5000);
    // Every request reported so far and not yet taken, without waiting.
    QList<QJsonObject> takeRequests();

private:
    bool readLine(QByteArray* line, int timeoutMs);

    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    bool m_tls = false;
    QString m_errorString;
};

#endif
