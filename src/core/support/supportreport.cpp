#include "support/supportreport.h"

#include "api/vpnapi.h"
#include "platform/clock.h"
#include "platform/timer.h"
#include "settings/vpnsettings.h"
#include "support/loghandler.h"
#include "support/logmask.h"
#include "support/privatefile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <iterator>

using Step = NetworkDiagnostics::Step;

// Ticks and ceilings make the bar creep through a step without passing its end; the limits are
// well above what each step needs on a working network (ping sends 4 packets, a trace route
// waits for up to 30 hops).
const SupportReport::StepPlan SupportReport::Plan[4] = {
    {Step::NameLookup, 100, 14, 15, 15000},
    {Step::Ping, 1000, 29, 30, 20000},
    {Step::TraceRoute, 2000, 84, 85, 90000},
    {Step::IpConfiguration, 500, 89, 90, 15000},
};

namespace {

// Where the message starts: the first colon at or after this index follows the level word;
// the colons of the time stamp come before it.
constexpr int LevelColonSearchStart = 20;

QString StepTitle(Step step, const QString& host)
{
    switch (step) {
    case Step::NameLookup:
        return QStringLiteral("Name lookup of %1").arg(host);
    case Step::Ping:
        return QStringLiteral("Ping to %1").arg(host);
    case Step::TraceRoute:
        return QStringLiteral("Trace route to %1").arg(host);
    case Step::IpConfiguration:
        break;
    }
    return QStringLiteral("IP configuration");
}

} // namespace

SupportReport::SupportReport(VPNApi& api, const VPNSettings& settings,
                             std::unique_ptr<NetworkDiagnostics> diagnostics, Clock& clock,
                             QString logFilePath, QString lookupHost, QObject* parent)
    : QObject(parent)
    , m_api(api)
    , m_settings(settings)
    , m_diagnostics(std::move(diagnostics))
    , m_logFilePath(std::move(logFilePath))
    , m_lookupHost(std::move(lookupHost))
    , m_tickTimer(clock.CreateTimer(this))
    , m_limitTimer(clock.CreateTimer(this))
{
    m_limitTimer->SetSingleShot(true);
    connect(m_tickTimer, &Timer::Expired, this, [this] {
        const int ceiling = Plan[m_stepIndex].ceiling;
        if (m_progress < ceiling)
            SetProgress(m_progress + 1);
        if (m_progress >= ceiling)
            m_tickTimer->Stop();
    });
    connect(m_limitTimer, &Timer::Expired, this, &SupportReport::OnStepLimitReached);
    connect(m_diagnostics.get(), &NetworkDiagnostics::StepFinished, this, &SupportReport::OnStepFinished);
    connect(&m_api, &VPNApi::CreateSupportTicketFinished, this, &SupportReport::OnTicketFinished);
}

SupportReport::~SupportReport()
{
    if (m_stepRunning)
        m_diagnostics->Abort();
}

QString SupportReport::ReadableLogLine(const QString& line)
{
    const qsizetype colon = line.indexOf(QLatin1Char(':'), LevelColonSearchStart);
    if (colon < 0)
        return line;
    return line.left(colon + 2) + LogHandler::UnscrambleLogText(line.mid(colon + 2));
}

QByteArray SupportReport::ReadableLog(const QString& logFilePath)
{
    QFile file(logFilePath);
    QByteArray content;
    if (file.open(QIODevice::ReadOnly))
        content = file.readAll();
    if (content.isEmpty())
        return QByteArrayLiteral(
            "Log file is empty or not found.\r\n"
            "This can happen, when user send support files from testing version of app.\r\n");
    QByteArray readable;
    const QList<QByteArray> lines = content.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (i == lines.size() - 1 && line.isEmpty())
            break;
        if (line.endsWith('\r'))
            line.chop(1);
        readable += ReadableLogLine(QString::fromUtf8(line)).toUtf8() + "\r\n";
    }
    return readable;
}

void SupportReport::Start()
{
    if (IsRunning())
        return;
    qDebug() << "Preparing to send Support File...";
    m_phase = Phase::Collecting;
    m_stepIndex = 0;
    m_report.clear();
    SetProgress(0);

    m_folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/norvane-support-XXXXXX"));
    qDebug() << "Decrypting logfile...";
    QString error;
    if (!m_folder->isValid()
        || !PrivateFile::Write(m_folder->filePath(QFileInfo(m_logFilePath).fileName()),
                               Masked(ReadableLog(m_logFilePath)), &error)) {
        qWarning() << "Support file: cannot write the log copy:" << error << m_folder->errorString();
        Finish(false, QString());
        return;
    }
    SetProgress(LogCopiedProgress);
    qDebug() << "Collecting network information...";
    StartStep();
}

void SupportReport::SetProgress(int value)
{
    m_progress = value;
    emit ProgressChanged(value);
}

void SupportReport::StartStep()
{
    const StepPlan& plan = Plan[m_stepIndex];
    const QString host = plan.step == Step::NameLookup ? m_lookupHost : ApiHostName();
    m_report += "==== " + StepTitle(plan.step, host).toUtf8() + "\n";
    m_tickTimer->Start(plan.tickMs);
    m_limitTimer->Start(plan.limitMs);
    m_stepRunning = true;
    m_diagnostics->StartStep(plan.step, host);
}

void SupportReport::OnStepFinished(const QByteArray& output)
{
    if (m_stepRunning)
        EndStep(output);
}

void SupportReport::OnStepLimitReached()
{
    if (!m_stepRunning)
        return;
    const int seconds = Plan[m_stepIndex].limitMs / 1000;
    qWarning() << "Support file: step" << m_stepIndex + 1 << "stopped after" << seconds << "s";
    m_diagnostics->Abort();
    EndStep(QStringLiteral("(stopped: no result within %1 s)\n").arg(seconds).toUtf8());
}

void SupportReport::EndStep(const QByteArray& output)
{
    m_stepRunning = false;
    m_tickTimer->Stop();
    m_limitTimer->Stop();
    m_report += output;
    if (!output.endsWith('\n'))
        m_report += '\n';
    m_report += '\n';
    SetProgress(Plan[m_stepIndex].endValue);
    if (++m_stepIndex < static_cast<int>(std::size(Plan)))
        StartStep();
    else
        SendTicket();
}

void SupportReport::SendTicket()
{
    const QString reportPath = m_folder->filePath(QLatin1String(ReportFileName));
    QString error;
    if (!PrivateFile::Write(reportPath, Masked(m_report), &error)) {
        qWarning() << "Support file: cannot write the report:" << error;
        Finish(false, QString());
        return;
    }
    m_phase = Phase::Sending;
    qDebug() << "Sending api request with support ticket.";
    // A file that cannot be read makes the answer arrive at once, inside this call.
    m_api.AddLogTicket(reportPath, m_folder->filePath(QFileInfo(m_logFilePath).fileName()));
}

void SupportReport::OnTicketFinished(bool ok, const QString& link)
{
    if (m_phase != Phase::Sending)
        return;
    if (ok)
        qDebug() << "Support Ticket successfully created.";
    else
        qDebug() << "Support Ticket error occurred.";
    Finish(ok, link);
}

void SupportReport::Finish(bool ok, const QString& link)
{
    m_phase = Phase::Idle;
    m_tickTimer->Stop();
    m_limitTimer->Stop();
    m_folder.reset();
    SetProgress(DoneProgress);
    emit Finished(ok, link);
}

QByteArray SupportReport::Masked(const QByteArray& text) const
{
    QString masked = QString::fromUtf8(text);
    for (const QString& secret : {m_api.AccountKey(), m_settings.proxyPassword})
        masked = LogMask::MaskSecret(masked, secret);
    return masked.toUtf8();
}

QString SupportReport::ApiHostName() const
{
    const QString host = QUrl(QStringLiteral("https://") + m_api.Host()).host();
    return host.isEmpty() ? m_api.Host() : host;
}
