#include "faildevice.h"

#include <cerrno>
#include <cstring>

qint64 FailDevice::writeData(const char* data, qint64 len)
{
    const qint64 room = m_iFailAfter - buffer().size();
    if (room <= 0) {
        setErrorString(QString::fromLocal8Bit(std::strerror(ENOSPC)));
        return -1;
    }
    len = qMin(len, room);
    if (m_iChunk > 0)
        len = qMin(len, m_iChunk);
    return QBuffer::writeData(data, len);
}
