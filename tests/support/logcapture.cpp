#include "logcapture.h"

namespace {

QStringList g_messages;

void Collect(QtMsgType, const QMessageLogContext&, const QString& message)
{
    g_messages << message;
}

} // namespace

LogCapture::LogCapture()
    : m_previous(qInstallMessageHandler(Collect))
{
    g_messages.clear();
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
}

QStringList LogCapture::Messages() const
{
    return g_messages;
}

void LogCapture::Clear()
{
    g_messages.clear();
}
