#pragma once

#include <QByteArray>
#include <QList>

/**
 * Cuts the byte stream of OpenVPN's management connection into complete lines. Reads do not
 * follow line boundaries; a line is passed on once its line end has arrived, without CR LF.
 * A line longer than MaxLineLength is not management output: it is discarded up to its line end
 * without growing the buffer, and so is a line holding a NUL byte.
 */
class ManagementLineBuffer
{
public:
    static constexpr qsizetype MaxLineLength = qsizetype(64) * 1024;

    // The lines data completes, in order.
    QList<QByteArray> Append(const QByteArray& data);
    // What has arrived after the last line end (OpenVPN's password prompt has none).
    const QByteArray& Pending() const { return m_pending; }
    void Clear();

private:
    QByteArray m_pending;
    bool m_discarding = false;
};
