#include "linux/xdgautostartentry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The login entry: written with the program's path as the desktop reads it back, gone when off.
class TestXdgAutostartEntry final : public QObject
{
    Q_OBJECT

private slots:
    void followsTheOption_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("execLine");
        // clang-format off
        QTest::newRow("plain path") << "/usr/bin/norvane" << "Exec=/usr/bin/norvane";
        QTest::newRow("blank: quoted") << "/opt/My Apps/norvane" << "Exec=\"/opt/My Apps/norvane\"";
        // Inside quotes $ ` " \ take a backslash, and the string value doubles every backslash.
        QTest::newRow("dollar and backtick") << "/tmp/a$b`c/norvane" << "Exec=\"/tmp/a\\\\$b\\\\`c/norvane\"";
        QTest::newRow("double quote") << "/tmp/say \"hi\"/norvane" << "Exec=\"/tmp/say \\\\\"hi\\\\\"/norvane\"";
        QTest::newRow("backslash") << "/tmp/back\\slash/norvane" << "Exec=\"/tmp/back\\\\\\\\slash/norvane\"";
        QTest::newRow("percent is no field code") << "/tmp/100%/norvane" << "Exec=/tmp/100%%/norvane";
        QTest::newRow("line break") << "/tmp/two\nlines/norvane" << "Exec=\"/tmp/two\\nlines/norvane\"";
        // clang-format on
    }

    void followsTheOption()
    {
        QFETCH(QString, executable);
        QFETCH(QString, execLine);
        QTemporaryDir config;
        const QString folder = config.filePath(QStringLiteral("autostart"));
        XdgAutostartEntry entry(folder, executable, QStringLiteral("norvane"));

        QVERIFY(entry.Synchronize(true));
        QFile file(folder + QStringLiteral("/norvane.desktop"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
        QVERIFY(lines.contains(QStringLiteral("Name=NORVANE")));
        QVERIFY2(lines.contains(execLine), qPrintable(lines.join(QLatin1Char('|'))));

        QVERIFY(entry.Synchronize(false));
        QVERIFY(!QFile::exists(entry.FilePath()));
        QVERIFY(entry.Synchronize(false)); // nothing to remove is no failure
    }
};

QTEST_GUILESS_MAIN(TestXdgAutostartEntry)
#include "testxdgautostartentry.moc"
