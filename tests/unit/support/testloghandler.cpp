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
    void scramble_data();
    void scramble();
    void eachRunStartsAnOwnerOnlyFile();
    void writesNothing_data();
    void writesNothing();

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

void TestLogHandler::scramble_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("shape");
    const QString any = QStringLiteral("^[A-Y]{4}[A-Za-z0-9+/=]+[A-Y]{4}$");
    QTest::newRow("ascii") << QStringLiteral("Get servers list.") << QStringLiteral("Get servers list.")
                           << any;
    QTest::newRow("non-ascii") << QStringLiteral("Z\u00fcrich \u2713 \u4e2d")
                               << QStringLiteral("Z\u00fcrich \u2713 \u4e2d") << any;
    QTest::newRow("line breaks become CR LF")
        << QStringLiteral("one\ntwo\n") << QStringLiteral("one\r\ntwo\r\n") << any;
    // "abc" is YWJj in Base64, written reversed between four letters on each side.
    QTest::newRow("abc") << QStringLiteral("abc") << QStringLiteral("abc")
                         << QStringLiteral("^[A-Y]{4}jJWY[A-Y]{4}$");
    QTest::newRow("one character") << QStringLiteral("x") << QStringLiteral("x") << any;
    QTest::newRow("empty") << QString() << QString() << QStringLiteral("^[A-Y]{8}$");
}

void TestLogHandler::scramble()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(QString, shape);
    const QString scrambled = LogHandler::ScrambleLogText(text);
    QVERIFY2(QRegularExpression(shape).match(scrambled).hasMatch(), qPrintable(scrambled));
    QCOMPARE(LogHandler::UnscrambleLogText(scrambled), expected);
}

// Each run starts its own owner-only file; one left from before, readable by others, is
// replaced by the first message, not before.
void TestLogHandler::eachRunStartsAnOwnerOnlyFile()
{
    QFile old(LogPath());
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("first run\nstill the first run\n");
    old.close();
    QVERIFY(QFile::setPermissions(LogPath(),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));

    LogHandler::Install(LogPath());
    QCOMPARE(ReadLines(LogPath()).size(), 2);
    qWarning() << "second run";
    qDebug() << "still the second run";
    const QStringList lines = ReadLines(LogPath());
    QCOMPARE(lines.size(), 2);
    QCOMPARE(LogHandler::UnscrambleLogText(MessagePart(lines.first())), QStringLiteral("second run"));
    struct stat info = {};
    QCOMPARE(::stat(QFile::encodeName(LogPath()).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0600));
}

void TestLogHandler::writesNothing_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("type past the last") << 7 << true;
    QTest::newRow("negative type") << -1 << true;
    QTest::newRow("info") << int(QtInfoMsg) << true;
    QTest::newRow("disabled for the teardown") << int(QtDebugMsg) << false;
}

void TestLogHandler::writesNothing()
{
    QFETCH(int, type);
    QFETCH(bool, enabled);
    LogHandler::Install(LogPath());
    LogHandler::SetEnabled(enabled);
    LogHandler::MessageHandler(QtMsgType(type), QMessageLogContext(), QStringLiteral("dropped"));
    QVERIFY(ReadLines(LogPath()).isEmpty());
    LogHandler::SetEnabled(true);
    LogHandler::MessageHandler(QtDebugMsg, QMessageLogContext(), QStringLiteral("kept"));
    QCOMPARE(ReadLines(LogPath()).size(), 1);
}

QTEST_GUILESS_MAIN(TestLogHandler)
#include "testloghandler.moc"
