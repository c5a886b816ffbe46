#include "tracecapture.h"

namespace
{
QMutex s_mutex;
QStringList s_lines;
TraceCapture* s_active = nullptr;
QtMessageHandler s_previous = nullptr;
} // namespace

TraceCapture::TraceCapture()
{
    QMutexLocker lock(&s_mutex);
    s_lines.clear();
    s_active = this;
    m_previous = qInstallMessageHandler(&TraceCapture::handler);
    s_previous = m_previous;
}

TraceCapture::~TraceCapture()
{
    qInstallMessageHandler(m_previous);
    QMutexLocker lock(&s_mutex);
    s_active = nullptr;
}

void TraceCapture::handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    {
        QMutexLocker lock(&s_mutex);
        if (s_active)
            s_lines.append(message);
    }
    if (s_previous)
        s_previous(type, context, message);
}

QStringList TraceCapture::lines() const
{
    QMutexLocker lock(&s_mutex);
    return s_lines;
}

QStringList TraceCapture::texts(const QStringList& prefixes) const
{
    QStringList result;
    for (const QString& line : lines())
        for (const QString& prefix : prefixes)
            if (line.startsWith(prefix))
                result.append(prefix);
    return result;
}

int TraceCapture::count(const QString& prefix) const
{
    int n = 0;
    for (const QString& line : lines())
        if (line.startsWith(prefix))
            ++n;
    return n;
}

void TraceCapture::clear()
{
    QMutexLocker lock(&s_mutex);
    s_lines.clear();
}
