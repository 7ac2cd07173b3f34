#include "support/loghandler.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

QStringList ReadLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// The scrambled part of a line: after the time stamp and the level prefix.
QString MessagePart(const QString& line)
{
    const QRegularExpressionMatch match
        = QRegularExpression(QStringLiteral(R"(^.{15} \| [A-Za-z]+: (.*)$)")).match(line);
    return match.captured(1);
}

} // namespace

class TestLogHandler final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void lineShape_data();
    void lineShape();
    void scrambleRoundTrip_data();
    void scrambleRoundTrip();
    void scrambledForm();
    void emptyMessage();
    void newInstallTruncates();
    void typeOutsideRangeWritesNothing();
    void disabledSinkWritesNothing();
    void fileIsOwnerOnly();

private:
    QString LogPath() const { return m_dir.filePath(QStringLiteral("norvane_log.log")); }
    QTemporaryDir m_dir;
};

void TestLogHandler::cleanup()
{
    LogHandler::Uninstall();
}

void TestLogHandler::lineShape_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("debug") << int(QtDebugMsg) << QStringLiteral("Message: ");
    QTest::newRow("warning") << int(QtWarningMsg) << QStringLiteral("Warning: ");
    QTest::newRow("critical") << int(QtCriticalMsg) << QStringLiteral("Critical: ");
}

void TestLogHandler::lineShape()
{
    QFETCH(int, type);
    QFETCH(QString, prefix);
    LogHandler::Install(LogPath());
    const QString text = QStringLiteral("Found assigned IP:  \"198.51.100.7\"");
    LogHandler::MessageHandler(QtMsgType(type), QMessageLogContext(), text);

    const QStringList lines = ReadLines(LogPath());
    QCOMPARE(lines.size(), 1);
    const QRegularExpression shape(QStringLiteral(R"(^(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) )"
                                                  R"(\d\d \d\d:\d\d:\d\d \| )")
                                   + QRegularExpression::escape(prefix)
                                   + QStringLiteral(R"([A-Y]{4}[A-Za-z0-9+/=]+[A-Y]{4}$)"));
    QVERIFY2(shape.match(lines.first()).hasMatch(), qPrintable(lines.first()));
    QVERIFY(!lines.first().contains(QStringLiteral("198.51.100.7")));
    QCOMPARE(LogHandler::UnscrambleLogText(MessagePart(lines.first())), text);
}

void TestLogHandler::scrambleRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ascii") << QStringLiteral("Get servers list.") << QStringLiteral("Get servers list.");
    QTest::newRow("non-ascii") << QStringLiteral("Z\u00fcrich \u2713 \u4e2d")
                               << QStringLiteral("Z\u00fcrich \u2713 \u4e2d");
    QTest::newRow("line breaks become CR LF")
        << QStringLiteral("one\ntwo\n") << QStringLiteral("one\r\ntwo\r\n");
    QTest::newRow("one character") << QStringLiteral("x") << QStringLiteral("x");
}

void TestLogHandler::scrambleRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QString scrambled = LogHandler::ScrambleLogText(text);
    QVERIFY(!scrambled.contains(QLatin1Char('\n')));
    QCOMPARE(LogHandler::UnscrambleLogText(scrambled), expected);
}

void TestLogHandler::scrambledForm()
{
    // "abc" is YWJj in Base64, written reversed between four letters on each side.
    const QString scrambled = LogHandler::ScrambleLogText(QStringLiteral("abc"));
    QVERIFY2(QRegularExpression(QStringLiteral("^[A-Y]{4}jJWY[A-Y]{4}$")).match(scrambled).hasMatch(),
             qPrintable(scrambled));
}

void TestLogHandler::emptyMessage()
{
    LogHandler::Install(LogPath());
    LogHandler::MessageHandler(QtDebugMsg, QMessageLogContext(), QString());
    const QStringList lines = ReadLines(LogPath());
    QCOMPARE(lines.size(), 1);
    const QString part = MessagePart(lines.first());
    QVERIFY2(QRegularExpression(QStringLiteral("^[A-Y]{8}$")).match(part).hasMatch(), qPrintable(part));
    QCOMPARE(LogHandler::UnscrambleLogText(part), QString());
    QCOMPARE(LogHandler::UnscrambleLogText(QStringLiteral("ABC")), QString());
}

void TestLogHandler::newInstallTruncates()
{
    LogHandler::Install(LogPath());
    qDebug() << "first run";
    qDebug() << "still the first run";
    QCOMPARE(ReadLines(LogPath()).size(), 2);

    LogHandler::Install(LogPath());
    QCOMPARE(ReadLines(LogPath()).size(), 2); // the file is emptied by the first message, not before
    qWarning() << "second run";
    const QStringList lines = ReadLines(LogPath());
    QCOMPARE(lines.size(), 1);
    QCOMPARE(LogHandler::UnscrambleLogText(MessagePart(lines.first())), QStringLiteral("second run"));
}

void TestLogHandler::typeOutsideRangeWritesNothing()
{
    LogHandler::Install(LogPath());
    LogHandler::MessageHandler(QtMsgType(7), QMessageLogContext(), QStringLiteral("bogus"));
    LogHandler::MessageHandler(QtMsgType(-1), QMessageLogContext(), QStringLiteral("bogus"));
    LogHandler::MessageHandler(QtInfoMsg, QMessageLogContext(), QStringLiteral("info"));
    QVERIFY(ReadLines(LogPath()).isEmpty());
    LogHandler::MessageHandler(QtDebugMsg, QMessageLogContext(), QStringLiteral("kept"));
    QCOMPARE(ReadLines(LogPath()).size(), 1);
}

void TestLogHandler::disabledSinkWritesNothing()
{
    LogHandler::Install(LogPath());
    qDebug() << "before shutdown";
    LogHandler::SetEnabled(false);
    qDebug() << "during teardown";
    QCOMPARE(ReadLines(LogPath()).size(), 1);
}

void TestLogHandler::fileIsOwnerOnly()
{
    QFile existing(LogPath());
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    QVERIFY(QFile::setPermissions(LogPath(),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));

    LogHandler::Install(LogPath());
    qDebug() << "secret-free line";
    struct stat info = {};
    QCOMPARE(::stat(QFile::encodeName(LogPath()).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0600));
}

QTEST_GUILESS_MAIN(TestLogHandler)
#include "testloghandler.moc"
