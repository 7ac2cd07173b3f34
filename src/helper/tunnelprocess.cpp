#include "tunnelprocess.h"

#include "tunnelconfigcheck.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr qsizetype MaxCaSize = qsizetype(64) * 1024;
constexpr qsizetype MaxAuthSize = qsizetype(4) * 1024;
constexpr int MaxLineLength = 8 * 1024;

// Closes a descriptor when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// Reads a regular file of the caller inside the opened folder: no link is followed, and a file of
// another user (a hard link to someone else's file, say) is refused.
bool ReadCallerFile(int folder, const char* name, uint uid, qsizetype limit, QByteArray& content,
                    QString& error)
{
    const Descriptor file(::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info
    {
    };
    if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0) {
        error = QStringLiteral("%1 cannot be read (links are not followed)").arg(QLatin1String(name));
        return false;
    }
    if (!S_ISREG(info.st_mode) || (uid != 0 && info.st_uid != uid) || info.st_size > limit) {
        error = QStringLiteral("%1 is not a regular file of the caller under %2 bytes")
                    .arg(QLatin1String(name))
                    .arg(limit);
        return false;
    }
    content.resize(static_cast<qsizetype>(info.st_size));
    const ssize_t read = ::read(file.Get(), content.data(), content.size());
    if (read != info.st_size) {
        error = QStringLiteral("%1 cannot be read").arg(QLatin1String(name));
        return false;
    }
    return true;
}

bool WriteOwnerOnly(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner)
        && file.write(content) == content.size() && file.commit();
}

} // namespace

TunnelProcess::TunnelProcess(QString openvpnBinary, QString runtimeRoot, uint uid, QObject* parent)
    : QObject(parent)
    , m_binary(std::move(openvpnBinary))
    , m_runtimeRoot(std::move(runtimeRoot))
    , m_uid(uid)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    // OpenVPN ends with its helper, whatever ends the helper.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    connect(&m_process, &QProcess::readyRead, this, &TunnelProcess::OnOutput);
    connect(&m_process, &QProcess::finished, this, [this](int exitCode) { OnFinished(exitCode); });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            OnFinished(-1);
    });
    m_killTimer.setSingleShot(true);
    connect(&m_killTimer, &QTimer::timeout, &m_process, &QProcess::kill);
}

TunnelProcess::~TunnelProcess()
{
    m_process.disconnect(this);
    if (IsRunning()) {
        m_process.terminate();
        // The helper is ending; OpenVPN needs a moment to take its routes down.
        if (!m_process.waitForFinished(StopLimitMs))
            m_process.kill();
        m_process.waitForFinished(1000);
    }
    RemoveSecrets();
    QFile::remove(Folder() + QStringLiteral("/openvpn.pid"));
}

QString TunnelProcess::Folder() const
{
    return m_runtimeRoot + QLatin1Char('/') + QString::number(m_uid);
}

bool TunnelProcess::Fail(const QString& error)
{
    m_error = error;
    RemoveSecrets();
    return false;
}

bool TunnelProcess::Prepare(const QString& configDirectory)
{
    if (!QDir::isAbsolutePath(configDirectory))
        return Fail(QStringLiteral("the configuration folder must be an absolute path"));
    // Without a trailing slash, which would make the kernel follow a link at the end.
    const Descriptor folder(::open(QFile::encodeName(QDir::cleanPath(configDirectory)).constData(),
                                   O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info
    {
    };
    if (folder.Get() < 0 || ::fstat(folder.Get(), &info) != 0 || (m_uid != 0 && info.st_uid != m_uid))
        return Fail(QStringLiteral("the configuration folder is not a folder of the caller"));

    QString error;
    QByteArray config;
    QByteArray ca;
    if (!ReadCallerFile(folder.Get(), "conn.ovpn", m_uid, TunnelConfigCheck::MaxSize, config, error)
        || !ReadCallerFile(folder.Get(), "tarnwick.crt", m_uid, MaxCaSize, ca, error))
        return Fail(error);

    // A fresh folder: nothing of an earlier run stays.
    QDir(Folder()).removeRecursively();
    if (!QDir().mkpath(Folder()) || ::chmod(QFile::encodeName(Folder()).constData(), 0700) != 0)
        return Fail(QStringLiteral("the runtime folder cannot be created"));

    TunnelConfigCheck::Paths paths;
    paths.callerProxyAuthFile = QDir(configDirectory).filePath(QStringLiteral("conn.ovpn.auth"));
    paths.managementPasswordFile = Folder() + QStringLiteral("/management.pw");
    paths.proxyAuthFile = Folder() + QStringLiteral("/conn.ovpn.auth");
    const TunnelConfigCheck::Result checked = TunnelConfigCheck::Check(config, paths);
    if (!checked.accepted)
        return Fail(QStringLiteral("conn.ovpn refused: ") + checked.error);
    if (checked.usesProxyAuthFile) {
        QByteArray auth;
        if (!ReadCallerFile(folder.Get(), "conn.ovpn.auth", m_uid, MaxAuthSize, auth, error))
            return Fail(error);
        if (!WriteOwnerOnly(paths.proxyAuthFile, auth))
            return Fail(QStringLiteral("the proxy credentials cannot be copied"));
    }

    m_managementPassword
        = QString::fromLatin1(QByteArray::number(QRandomGenerator::system()->generate64(), 16)
                              + QByteArray::number(QRandomGenerator::system()->generate64(), 16));
    m_mask.Clear();
    m_mask.AddSecret(m_managementPassword.toLatin1());
    if (!WriteOwnerOnly(Folder() + QStringLiteral("/conn.ovpn"), checked.config)
        || !WriteOwnerOnly(Folder() + QStringLiteral("/tarnwick.crt"), ca)
        || !WriteOwnerOnly(paths.managementPasswordFile, m_managementPassword.toLatin1() + '\n'))
        return Fail(QStringLiteral("the runtime folder cannot be written"));
    return true;
}

bool TunnelProcess::Start(const QString& configDirectory)
{
    m_error.clear();
    if (IsRunning())
        return Fail(QStringLiteral("a tunnel is already running"));
    if (!Prepare(configDirectory))
        return false;
    QFile::remove(Folder() + QStringLiteral("/openvpn.log"));
    m_partialLine.clear();
    m_process.setProgram(m_binary);
    m_process.setWorkingDirectory(Folder());
    m_process.setArguments({QStringLiteral("--config"), Folder() + QStringLiteral("/conn.ovpn"),
                            QStringLiteral("--cd"), Folder(), QStringLiteral("--script-security"),
                            QStringLiteral("1")});
    m_process.start(QIODevice::ReadOnly);
    if (!m_process.waitForStarted(5000))
        return Fail(QStringLiteral("OpenVPN could not be run: ") + m_process.errorString());
    WriteOwnerOnly(Folder() + QStringLiteral("/openvpn.pid"),
                   QByteArray::number(m_process.processId()) + '\n');
    return true;
}

void TunnelProcess::Stop()
{
    if (!IsRunning() || m_killTimer.isActive())
        return;
    m_process.terminate();
    m_killTimer.start(StopLimitMs);
}

void TunnelProcess::OnOutput()
{
    m_partialLine += m_process.readAll();
    QByteArray masked;
    qsizetype start = 0;
    for (qsizetype end = m_partialLine.indexOf('\n'); end >= 0;
         start = end + 1, end = m_partialLine.indexOf('\n', start))
        masked += m_mask.Apply(m_partialLine.mid(start, end - start)) + '\n';
    m_partialLine.remove(0, start);
    // A line this long is not OpenVPN's log; it is cut rather than held.
    if (m_partialLine.size() > MaxLineLength)
        masked += m_mask.Apply(std::exchange(m_partialLine, QByteArray())) + '\n';
    if (masked.isEmpty())
        return;
    QFile log(Folder() + QStringLiteral("/openvpn.log"));
    if (log.open(QIODevice::Append)) {
        log.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        log.write(masked);
    }
    emit OutputReceived(QString::fromUtf8(masked));
}

void TunnelProcess::OnFinished(int exitCode)
{
    m_killTimer.stop();
    OnOutput();
    RemoveSecrets();
    QFile::remove(Folder() + QStringLiteral("/openvpn.pid"));
    emit Ended(exitCode);
}

void TunnelProcess::RemoveSecrets() const
{
    QFile::remove(Folder() + QStringLiteral("/management.pw"));
    QFile::remove(Folder() + QStringLiteral("/conn.ovpn.auth"));
}

void TunnelProcess::EndLeftovers(const QString& runtimeRoot)
{
    const QStringList users = QDir(runtimeRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& user : users) {
        const QString folder = runtimeRoot + QLatin1Char('/') + user;
        QFile pidFile(folder + QStringLiteral("/openvpn.pid"));
        if (!pidFile.open(QIODevice::ReadOnly))
            continue;
        const pid_t pid = pidFile.readAll().trimmed().toInt();
        pidFile.close();
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        // Only a process that still runs from that folder: the pid may have been reused.
        if (pid > 0 && cmdline.open(QIODevice::ReadOnly)
            && cmdline.readAll().contains(QByteArray("--cd") + '\0' + QFile::encodeName(folder) + '\0')) {
            qInfo("Ending OpenVPN %d left from an earlier run in %s", int(pid), qPrintable(folder));
            ::kill(pid, SIGTERM);
            for (int waited = 0; waited < 50 && ::kill(pid, 0) == 0; ++waited)
                ::usleep(100 * 1000);
            ::kill(pid, SIGKILL);
        }
        QDir(folder).removeRecursively();
    }
}
