#include "windowsnapshot.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

// The picture of the window that an environment variable asks for at an event.
class TestWindowSnapshot final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QWidget m_window; // a known size and colour, so the saved picture can be recognised

private slots:
    void initTestCase()
    {
        m_window.resize(120, 80);
        m_window.setAutoFillBackground(true);
        QPalette palette = m_window.palette();
        palette.setColor(QPalette::Window, QColor(0x12, 0x80, 0x40));
        m_window.setPalette(palette);
    }
    void init() { qunsetenv("NORVANE_SCREENSHOT_ON_CONNECT"); }
    void cleanupTestCase() { qunsetenv("NORVANE_SCREENSHOT_ON_CONNECT"); }

    void savesTheWindowWhenAsked()
    {
        // The folder is made when missing; an older picture is replaced.
        const QString path = m_dir.filePath(QStringLiteral("shots/connected.png"));
        qputenv("NORVANE_SCREENSHOT_ON_CONNECT", path.toUtf8());
        QVERIFY(WindowSnapshot::SaveIfRequested(m_window, "connect"));
        m_window.resize(60, 40);
        QVERIFY(WindowSnapshot::SaveIfRequested(m_window, "connect"));
        const QImage picture(path);
        QCOMPARE(picture.size(), QSize(60, 40));
        QCOMPARE(picture.pixelColor(30, 20), QColor(0x12, 0x80, 0x40));
        QCOMPARE(QDir(m_dir.filePath(QStringLiteral("shots"))).entryList(QDir::Files),
                 QStringList {QStringLiteral("connected.png")});
    }

    void nothingWithoutTheVariable()
    {
        QTemporaryDir dir;
        QVERIFY(!WindowSnapshot::SaveIfRequested(m_window, "connect"));
        qputenv("NORVANE_SCREENSHOT_ON_CONNECT", "  ");
        QVERIFY(!WindowSnapshot::SaveIfRequested(m_window, "connect"));
        // Another event's variable does not trigger this one.
        qputenv("NORVANE_SCREENSHOT_ON_CONNECT", dir.filePath(QStringLiteral("c.png")).toUtf8());
        QVERIFY(!WindowSnapshot::SaveIfRequested(m_window, "disconnect"));
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void unwritablePathReportsFailure()
    {
        // A plain file where the folder should be.
        QFile blocker(m_dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!WindowSnapshot::Save(m_window, m_dir.filePath(QStringLiteral("file/connected.png"))));
    }
};

QTEST_MAIN(TestWindowSnapshot)
#include "testwindowsnapshot.moc"
