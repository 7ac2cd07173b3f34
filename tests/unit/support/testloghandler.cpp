#include "support/loghandler.h"
#include "testfiles.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestLogHandler final : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { LogHandler::Uninstall(); }

    // One line per message: time stamp, level and the scrambled text; nothing for the levels
    // without a prefix, nor while the handler is switched off for the teardown.
    void line_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("prefix"); // null: nothing is written
        QTest::newRow("debug") << int(QtDebugMsg) << true << QStringLiteral("Message: ");
        QTest::newRow("warning") << int(QtWarningMsg) << true << QStringLiteral("Warning: ");
        QTest::newRow("critical") << int(QtCriticalMsg) << true << QStringLiteral("Critical: ");
        QTest::newRow("info") << int(QtInfoMsg) << true << QString();
        QTest::newRow("type past the last") << 7 << true << QString();
        QTest::newRow("disabled for the teardown") << int(QtDebugMsg) << false << QString();
    }

    void line()
    {
        QFETCH(int, type);
        QFETCH(bool, enabled);
        QFETCH(QString, prefix);
        LogHandler::Install(LogPath());
        LogHandler::SetEnabled(enabled);
        const QString text = QStringLiteral("Found assigned IP:  \"198.51.100.7\"");
        LogHandler::MessageHandler(QtMsgType(type), QMessageLogContext(), text);
        if (prefix.isNull()) {
            QVERIFY(Lines().isEmpty());
            // The handler still works for what it does write.
            LogHandler::SetEnabled(true);
            LogHandler::MessageHandler(QtDebugMsg, QMessageLogContext(), text);
            QCOMPARE(Lines().size(), 1);
            return;
        }
        const QStringList lines = Lines();
        QCOMPARE(lines.size(), 1);
        const QRegularExpression shape(QStringLiteral(R"(^(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) )"
                                                      R"(\d\d \d\d:\d\d:\d\d \| )")
                                       + QRegularExpression::escape(prefix)
                                       + QStringLiteral(R"([A-Y]{4}[A-Za-z0-9+/=]+[A-Y]{4}$)"));
        QVERIFY2(shape.match(lines.first()).hasMatch(), qPrintable(lines.first()));
        QVERIFY(!lines.first().contains(QStringLiteral("198.51.100.7")));
        QCOMPARE(LogFileMessages(LogPath()), QStringList(text));
    }

    // Base64 of the UTF-8, reversed, between four random letters on each side.
    void scramble_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shape");
        const QString any = QStringLiteral("^[A-Y]{4}[A-Za-z0-9+/=]+[A-Y]{4}$");
        QTest::newRow("non-ascii") << QStringLiteral("Z\u00fcrich \u2713 \u4e2d") << any;
        QTest::newRow("abc") << QStringLiteral("abc") << QStringLiteral("^[A-Y]{4}jJWY[A-Y]{4}$");
        QTest::newRow("one character, padded") << QStringLiteral("x") << any;
        QTest::newRow("empty") << QString() << QStringLiteral("^[A-Y]{8}$");
    }

    void scramble()
    {
        QFETCH(QString, text);
        QFETCH(QString, shape);
        const QString scrambled = LogHandler::ScrambleLogText(text);
        QVERIFY2(QRegularExpression(shape).match(scrambled).hasMatch(), qPrintable(scrambled));
        QCOMPARE(LogHandler::UnscrambleLogText(scrambled), text);
    }

    // Each run starts its own owner-only file; one left from before, readable by others, is
    // replaced by the first message, not before.
    void eachRunStartsAnOwnerOnlyFile()
    {
        QVERIFY(WriteFile(LogPath(), "first run\nstill the first run\n"));
        QVERIFY(QFile::setPermissions(
            LogPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));

        LogHandler::Install(LogPath());
        QCOMPARE(Lines().size(), 2);
        qWarning() << "second run";
        qDebug() << "still the second run";
        QCOMPARE(LogFileMessages(LogPath()),
                 QStringList({QStringLiteral("second run"), QStringLiteral("still the second run")}));
        QCOMPARE(FileMode(LogPath()), 0600u);
    }

private:
    QString LogPath() const { return m_dir.filePath(QStringLiteral("norvane_log.log")); }
    QStringList Lines() const
    {
        return QString::fromUtf8(ReadFile(LogPath())).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestLogHandler)
#include "testloghandler.moc"
