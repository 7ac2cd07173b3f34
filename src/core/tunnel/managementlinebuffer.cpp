#include "tunnel/managementlinebuffer.h"

QList<QByteArray> ManagementLineBuffer::Append(const QByteArray& data)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype end = data.indexOf('\n'); end >= 0; start = end + 1, end = data.indexOf('\n', start)) {
        const qsizetype length = end - start;
        if (!m_discarding && m_pending.size() + length <= MaxLineLength + 1) {
            QByteArray line = m_pending + data.mid(start, length);
            if (line.endsWith('\r'))
                line.chop(1);
            if (line.size() <= MaxLineLength && !line.contains('\0'))
                lines.append(line);
        }
        m_pending.clear();
        m_discarding = false;
    }
    if (!m_discarding) {
        m_pending += data.mid(start);
        if (m_pending.size() > MaxLineLength) {
            m_pending.clear();
            m_discarding = true;
        }
    }
    return lines;
}

void ManagementLineBuffer::Clear()
{
    m_pending.clear();
    m_discarding = false;
}
