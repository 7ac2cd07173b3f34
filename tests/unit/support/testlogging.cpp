#include "support/loghandler.h"
#include "support/logmask.h"
#include "testfiles.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The log file, and what keeps credentials out of it.
class TestLogging final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { LogHandler::Uninstall(); }

    // One line per message: time stamp, level and the scrambled text; nothing for the levels
    // without a prefix, nor while the handler is switched off for the teardown.
    void lines()
    {
        LogHandler::Install(LogPath());
        const QString text = QStringLiteral("Found assigned IP:  \"198.51.100.7\" ");
        const int types[] = {QtDebugMsg, QtInfoMsg, QtWarningMsg, 7, QtCriticalMsg};
        for (const int type : types)
            LogHandler::MessageHandler(QtMsgType(type), QMessageLogContext(), text + QString::number(type));
        LogHandler::SetEnabled(false);
        LogHandler::MessageHandler(QtDebugMsg, QMessageLogContext(), text);
        LogHandler::SetEnabled(true);
        LogHandler::MessageHandler(QtDebugMsg, QMessageLogContext(), text);

        const QRegularExpression shape(QStringLiteral(R"(^(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) )"
                                                      R"(\d\d \d\d:\d\d:\d\d \| ([A-Za-z]+: ))"
                                                      R"(([A-Y]{4}[A-Za-z0-9+/=]+[A-Y]{4})$)"));
        QStringList lines;
        for (const QByteArray& line : ReadFile(LogPath()).split('\n')) {
            const QRegularExpressionMatch match = shape.match(QString::fromUtf8(line));
            QVERIFY2(match.hasMatch() || line.isEmpty(), line.constData());
            if (match.hasMatch())
                lines << match.captured(2) + LogHandler::UnscrambleLogText(match.captured(3));
        }
        QCOMPARE(lines,
                 QStringList({QStringLiteral("Message: ") + text + QLatin1Char('0'),
                              QStringLiteral("Warning: ") + text + QLatin1Char('1'),
                              QStringLiteral("Critical: ") + text + QLatin1Char('2'),
                              QStringLiteral("Message: ") + text}));
    }

    // Base64 of the UTF-8, reversed, between four random letters on each side.
    void scramble()
    {
        const QString any = QStringLiteral("^[A-Y]{4}[A-Za-z0-9+/=]+[A-Y]{4}$");
        const QPair<QString, QString> rows[]
            = {{QStringLiteral("Z\u00fcrich \u2713 \u4e2d"), any},
               {QStringLiteral("abc"), QStringLiteral("^[A-Y]{4}jJWY[A-Y]{4}$")},
               {QStringLiteral("x"), any},
               {QString(), QStringLiteral("^[A-Y]{8}$")}};
        for (const auto& [text, shape] : rows) {
            const QString scrambled = LogHandler::ScrambleLogText(text);
            QVERIFY2(QRegularExpression(shape).match(scrambled).hasMatch(), qPrintable(scrambled));
            QCOMPARE(LogHandler::UnscrambleLogText(scrambled), text);
        }
    }

    // Each run starts its own owner-only file; one left from before, readable by others, is
    // replaced by the first message, not before.
    void eachRunStartsAnOwnerOnlyFile()
    {
        QVERIFY(WriteFile(LogPath(), "first run\nstill the first run\n"));
        QVERIFY(QFile::setPermissions(
            LogPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));

        LogHandler::Install(LogPath());
        QCOMPARE(ReadFile(LogPath()), QByteArray("first run\nstill the first run\n"));
        qWarning() << "second run";
        qDebug() << "still the second run";
        QCOMPARE(LogFileMessages(LogPath()),
                 QStringList({QStringLiteral("second run"), QStringLiteral("still the second run")}));
        QCOMPARE(FileMode(LogPath()), 0600u);
    }

    // A known secret is masked wherever it appears; without one (null), the value of the form
    // field "serial" is.
    void mask()
    {
        const struct
        {
            QString text, secret, expected;
        } rows[] = {
            {QStringLiteral("key abc123 used"), QStringLiteral("abc123"),
             QStringLiteral("key ******** used")},
            {QStringLiteral("password \"ABC123\""), QStringLiteral("abc123"),
             QStringLiteral("password \"********\"")},
            {QStringLiteral("serial=a%26b%20c"), QStringLiteral("a&b c"), QStringLiteral("serial=********")},
            {QStringLiteral("nothing"), QString(QLatin1String("")), QStringLiteral("nothing")},
            {QStringLiteral("serial=abc&key=k"), QString(), QStringLiteral("serial=********&key=k")},
            {QStringLiteral("a=1&serial=abc&b=2"), QString(), QStringLiteral("a=1&serial=********&b=2")},
            {QStringLiteral("myserial=abc"), QString(), QStringLiteral("myserial=abc")},
        };
        for (const auto& row : rows) {
            QCOMPARE(row.secret.isNull() ? LogMask::MaskFormField(row.text, QStringLiteral("serial"))
                                         : LogMask::MaskSecret(row.text, row.secret),
                     row.expected);
        }
    }

private:
    QString LogPath() const { return m_dir.filePath(QStringLiteral("norvane_log.log")); }
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestLogging)
#include "testlogging.moc"
