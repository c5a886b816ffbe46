#ifndef TRACECAPTURE_H
#define TRACECAPTURE_H
// Records Qt's debug output (the worker's thread traces) while it is in scope; safe from any thread.

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class TraceCapture
{
public:
    TraceCapture();
    ~TraceCapture();

    QStringList lines() const;
    // The lines that start with one of the given texts, in order, thread ids left out.
    QStringList texts(const QStringList& prefixes) const;
    int count(const QString& prefix) const;
    void clear();

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);
    QtMessageHandler m_previous;
};

#endif
