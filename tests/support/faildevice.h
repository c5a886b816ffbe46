#ifndef FAILDEVICE_H
#define FAILDEVICE_H
// A buffer that behaves like a disk filling up: it takes failAfter bytes in all, at most chunk bytes a
// write (0: no limit), and then fails every write with "No space left on device".

#include <QBuffer>

class FailDevice : public QBuffer
{
public:
    explicit FailDevice(qint64 failAfter, qint64 chunk = 0) : m_iFailAfter(failAfter), m_iChunk(chunk) {}

protected:
    qint64 writeData(const char* data, qint64 len) override;

private:
    qint64 m_iFailAfter;
    qint64 m_iChunk;
};

#endif
