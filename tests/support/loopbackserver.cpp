#include "loopbackserver.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QSaveFile>

LoopbackServer::LoopbackServer()
{
    setRoutes(QJsonObject());
}

LoopbackServer::~LoopbackServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        // Closing its standard input ends the server; kill it if it does not go.
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(2000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
}

bool LoopbackServer::start(const QString& certPath, const QString& keyPath)
{
    const QString python = QStringLiteral(STICKWELL_PYTHON);
    if (python.isEmpty()) {
        m_errorString = QStringLiteral("no Python 3 interpreter was found at configure time");
        return false;
    }
    QStringList arguments{QStringLiteral(STICKWELL_TESTS_DIR "/support/httpserver.py"),
                          m_dir.filePath(QStringLiteral("routes.json"))};
    m_tls = !certPath.isEmpty();
    if (m_tls)
        arguments << QStringLiteral("--tls") << certPath << keyPath;
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(python, arguments);
    if (!m_process.waitForStarted(5000)) {
        m_errorString = QStringLiteral("cannot run %1: %2").arg(python, m_process.errorString());
        return false;
    }
    QByteArray line;
    if (!readLine(&line, 5000) || !line.startsWith("PORT ")) {
        m_errorString = QStringLiteral("the server reported no port");
        return false;
    }
    m_port = quint16(line.mid(5).trimmed().toUInt());
    return m_port != 0;
}

QString LoopbackServer::url(const QString& path) const
{
    return QStringLiteral("%1://127.0.0.1:%2%3")
        .arg(m_tls ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(m_port)
        .arg(path);
}

void LoopbackServer::setRoutes(const QJsonObject& routes)
{
    // Written whole and renamed, so the server never reads half a file.
    QSaveFile file(m_dir.filePath(QStringLiteral("routes.json")));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(routes).toJson(QJsonDocument::Compact));
        file.commit();
    }
}

bool LoopbackServer::readLine(QByteArray* line, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (m_process.canReadLine()) {
            *line = m_process.readLine();
            return true;
        }
        if (m_process.state() != QProcess::Running)
            return false;
        if (!m_process.waitForReadyRead(int(deadline.remainingTime())) && deadline.hasExpired())
            return false;
    }
}

QJsonObject LoopbackServer::nextRequest(int timeoutMs)
{
    QByteArray line;
    if (!readLine(&line, timeoutMs))
        return QJsonObject();
    return QJsonDocument::fromJson(line).object();
}

QList<QJsonObject> LoopbackServer::takeRequests()
{
    QList<QJsonObject> requests;
    QByteArray line;
    while (readLine(&line, 0))
        requests << QJsonDocument::fromJson(line).object();
    return requests;
}
