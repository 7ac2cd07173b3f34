#include "support/windowsnapshot.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

class TestWindowSnapshot final : public QObject
{
    Q_OBJECT
private slots:
    void init() { qunsetenv("NORVANE_SCREENSHOT_ON_CONNECT"); }
    void cleanupTestCase() { qunsetenv("NORVANE_SCREENSHOT_ON_CONNECT"); }
    void savesTheWindowWhenAsked();
    void nothingWithoutTheVariable();
    void eventNamesTheVariable();
    void unwritablePathReportsFailure();
};

namespace {

// A window of a known size and colour, so the saved picture can be recognised.
void Paint(QWidget& window)
{
    window.resize(120, 80);
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(0x12, 0x80, 0x40));
    window.setPalette(palette);
}

} // namespace

void TestWindowSnapshot::savesTheWindowWhenAsked()
{
    QTemporaryDir dir;
    QWidget window;
    Paint(window);
    // The folder is made when missing; an older picture is replaced.
    const QString path = dir.filePath(QStringLiteral("shots/connected.png"));
    qputenv("NORVANE_SCREENSHOT_ON_CONNECT", path.toUtf8());
    QVERIFY(WindowSnapshot::SaveIfRequested(window, "connect"));
    window.resize(60, 40);
    QVERIFY(WindowSnapshot::SaveIfRequested(window, "connect"));

    const QImage picture(path);
    QCOMPARE(picture.size(), QSize(60, 40));
    QCOMPARE(picture.pixelColor(30, 20), QColor(0x12, 0x80, 0x40));
    QCOMPARE(QDir(dir.filePath(QStringLiteral("shots"))).entryList(QDir::Files),
             QStringList {QStringLiteral("connected.png")});
}

void TestWindowSnapshot::nothingWithoutTheVariable()
{
    QTemporaryDir dir;
    QWidget window;
    Paint(window);
    QVERIFY(!WindowSnapshot::SaveIfRequested(window, "connect"));
    qputenv("NORVANE_SCREENSHOT_ON_CONNECT", "  ");
    QVERIFY(!WindowSnapshot::SaveIfRequested(window, "connect"));
    // Another event's variable does not trigger this one.
    qputenv("NORVANE_SCREENSHOT_ON_CONNECT", dir.filePath(QStringLiteral("c.png")).toUtf8());
    QVERIFY(!WindowSnapshot::SaveIfRequested(window, "disconnect"));
    QVERIFY(QDir(dir.path()).isEmpty());
}

void TestWindowSnapshot::eventNamesTheVariable()
{
    QCOMPARE(WindowSnapshot::VariableName("connect"), QStringLiteral("NORVANE_SCREENSHOT_ON_CONNECT"));
    QCOMPARE(WindowSnapshot::VariableName("IpChange"), QStringLiteral("NORVANE_SCREENSHOT_ON_IPCHANGE"));
}

void TestWindowSnapshot::unwritablePathReportsFailure()
{
    QTemporaryDir dir;
    QWidget window;
    Paint(window);
    // A plain file where the folder should be.
    QFile blocker(dir.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(!WindowSnapshot::Save(window, dir.filePath(QStringLiteral("file/connected.png"))));
}

QTEST_MAIN(TestWindowSnapshot)
#include "testwindowsnapshot.moc"
