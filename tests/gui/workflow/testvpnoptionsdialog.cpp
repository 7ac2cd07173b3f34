#include "dialoganswer.h"
#include "fakeapi.h"
#include "linux/xdgautostartentry.h"
#include "runscript.h"
#include "servers/vpnservermanager.h"
#include "settings/settingsfile.h"
#include "settings/settingsstore.h"
#include "vpnoptionsdialog.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

namespace {

// The fields of a record as "name=value" words, booleans as 0 or 1.
QStringList Fields(const VPNSettings& s)
{
    const auto n = [](int value) { return QString::number(value); };
    return (QStringLiteral(
                "tcp=%1 port=%2 ptp=%3 proxy=%4 proxyAddress=%5 proxyPort=%6 auth=%7 user=%8 password=%9")
                .arg(n(s.tcpServersEnabled), n(s.tcpPort), n(s.pointToPointEnabled), n(s.proxyType),
                     s.proxyAddress, s.proxyPort, n(s.proxyAuthEnabled), s.proxyUser, s.proxyPassword)
            + QStringLiteral(
                  " onMain=%1 forced=%2 auto=%3 autoConnect=%4 autoLaunch=%5 fastest=%6 tcpOnStartup=%7 "
                  "smtp=%8 smtpAddress=%9")
                  .arg(n(s.serversOnMainScreen), n(s.forcedIpChangeEnabled), n(s.autoIpChangeMinutes),
                       n(s.autoConnect), n(s.autoLaunch), n(s.fastestServer), n(s.tcpOnStartup),
                       n(s.smtpEnabled), s.smtpAddress)
            + QStringLiteral(" killSwitch=%1").arg(n(s.blockTrafficWhenDown)))
        .split(QLatin1Char(' '));
}

} // namespace

// The options dialog driven as a user drives it, offscreen, over a settings file and an autostart
// folder in a temporary directory. Each row is a script:
// Steps: file <elements of the settings file> | all (every option changed) | unwritable | open |
//   close | check|uncheck <control> | type <edit> [text] | choose <combo> <row> | click <button> |
//   answer yes|no
// Checks: =saved <name=value ...> | =defaults | =shown yes|no | =asked <phrase>|- |
//   =text <control> [text] | =enabled|=checked <control> yes|no | =autostart <Exec line>|-
class TestVPNOptionsDialog final : public QObject
{
    Q_OBJECT

private:
    struct Host
    {
        QTemporaryDir dir;
        SettingsStore settings {dir.filePath(QStringLiteral("Config/norvane.xml"))};
        VPNServerManager catalog {settings.Settings()};
        FakeApi api;
        VPNOptionsDialog dialog {settings, catalog, api,
                                 std::make_unique<XdgAutostartEntry>(
                                     dir.filePath(QStringLiteral("autostart")),
                                     QStringLiteral("/opt/Nor vane/norvane"), QStringLiteral("norvane")),
                                 QStringLiteral("norvane")};

        template<typename T = QWidget> T* Child(const QString& name) { return dialog.findChild<T*>(name); }

        void Step(const QString& step)
        {
            const QString verb = step.section(QLatin1Char(' '), 0, 0);
            const QString arg = step.section(QLatin1Char(' '), 1);
            const QString name = arg.section(QLatin1Char(' '), 0, 0);
            const QString rest = arg.section(QLatin1Char(' '), 1);
            if (verb.startsWith(QLatin1Char('=')))
                return Check(verb.mid(1), name, rest, arg);
            if (verb == QLatin1String("all")) {
                // Every option away from its default (but point-to-point, which asks for a restart).
                Step(QStringLiteral(
                    "file <TCPServers enabled=\"1\" port=\"80\"/><TCPOnStartup enabled=\"1\"/>"
                    "<AutoConnect enabled=\"1\"/><AutoLaunch enabled=\"0\"/><FastestServer enabled=\"1\"/>"
                    "<SMTPEmail enabled=\"1\" address=\"smtp.mail.lan\"/><Servers showOnMain=\"1\"/>"
                    "<ChangeIP enabled=\"0\" auto=\"5\"/><KillSwitch enabled=\"1\"/><Proxy "
                    "type=\"HTTP\"><Server address=\"proxy.lan\" "
                    "port=\"3128\"/><Authentication enabled=\"1\" user=\"YW5u\" "
                    "password=\"cHc=\"/></Proxy>"));
            } else if (verb == QLatin1String("file")) {
                QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("Config"))));
                QFile file(settings.FilePath());
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(QStringLiteral("<Config>%1</Config>").arg(arg).toUtf8());
                file.close();
                settings.Load();
            } else if (verb == QLatin1String("unwritable")) {
                // A folder where the file should be: it can be neither written nor read.
                QVERIFY(QDir().mkpath(settings.FilePath()));
            } else if (verb == QLatin1String("open")) {
                dialog.ShowCentredOn(QRect(100, 300, 596, 203));
            } else if (verb == QLatin1String("close")) {
                dialog.close();
            } else if (verb == QLatin1String("check") || verb == QLatin1String("uncheck")) {
                const bool on = verb == QLatin1String("check");
                if (auto* group = qobject_cast<QGroupBox*>(Child(arg)))
                    group->setChecked(on);
                else if (Child<QAbstractButton>(arg)->isChecked() != on)
                    Child<QAbstractButton>(arg)->click();
            } else if (verb == QLatin1String("type")) {
                Child<QLineEdit>(name)->clear();
                QTest::keyClicks(Child(name), rest);
            } else if (verb == QLatin1String("choose")) {
                Child<QComboBox>(name)->setCurrentIndex(rest.toInt());
            } else if (verb == QLatin1String("click")) {
                Child<QAbstractButton>(arg)->click();
            } else if (verb == QLatin1String("answer")) {
                QVERIFY(QTest::qWaitFor([this] { return dialog.QuestionDialog()->isVisible(); }));
                QVERIFY(Press(dialog.QuestionDialog(),
                              arg == QLatin1String("yes") ? "PrimaryButton" : "SecondaryButton"));
            } else {
                QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
            }
        }

        void Check(const QString& what, const QString& name, const QString& rest, const QString& arg)
        {
            const auto yes = [](bool value) { return value ? QStringLiteral("yes") : QStringLiteral("no"); };
            VPNSettings onDisk;
            SettingsFile::Read(settings.FilePath(), onDisk);
            QString actual;
            QString expected = arg;
            if (what == QLatin1String("saved")) {
                QStringList chosen;
                const QStringList fields = Fields(onDisk);
                for (const QString& wanted : arg.split(QLatin1Char(' '))) {
                    for (const QString& field : fields) {
                        if (field.section(QLatin1Char('='), 0, 0) == wanted.section(QLatin1Char('='), 0, 0))
                            chosen << field;
                    }
                }
                actual = chosen.join(QLatin1Char(' '));
            } else if (what == QLatin1String("defaults")) {
                actual = Fields(onDisk).join(QLatin1Char(' '));
                expected = Fields(VPNSettings()).join(QLatin1Char(' '));
            } else if (what == QLatin1String("shown")) {
                (void)QTest::qWaitFor([&] { return dialog.isVisible() == (arg == QLatin1String("yes")); });
                actual = yes(dialog.isVisible());
            } else if (what == QLatin1String("asked")) {
                VPNSimpleDialog* question = dialog.QuestionDialog();
                if (arg != QLatin1String("-"))
                    (void)QTest::qWaitFor([question] { return question->isVisible(); });
                const QString text = question->findChild<QLabel*>(QStringLiteral("MessageLabel"))->text();
                actual = !question->isVisible() ? QStringLiteral("-") : text.contains(arg) ? arg : text;
            } else if (what == QLatin1String("text")) { // of a line edit or a label
                expected = rest;
                actual = Child(name)->property("text").toString();
            } else if (what == QLatin1String("enabled") || what == QLatin1String("checked")) {
                expected = rest;
                actual = yes(Child(name)->property(qPrintable(what)).toBool());
            } else if (what == QLatin1String("autostart")) { // its Exec line, or "-" when there is none
                QFile file(dir.filePath(QStringLiteral("autostart/norvane.desktop")));
                const QString text
                    = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
                const QString exec
                    = text.section(QStringLiteral("\nExec="), 1).section(QLatin1Char('\n'), 0, 0);
                actual = text.isEmpty() ? QStringLiteral("-") : QStringLiteral("Exec=") + exec;
            } else {
                QFAIL(qPrintable(QStringLiteral("unknown check ") + what));
            }
            QCOMPARE(actual, expected);
        }
    };

private slots:
    void userScripts_data()
    {
        QTest::addColumn<QString>("script");
        // clang-format off
        // Proxy
        QTest::newRow("HTTP with an empty port saves No Proxy")
            << "open; choose ProxyComboBox 1; type ProxyAddressEdit proxy.lan; check ProxyAuthCheckBox; type ProxyLoginEdit ann; click SaveOptionsButton; =shown no; =saved proxy=0 proxyAddress= proxyPort= auth=0 user=";
        QTest::newRow("a port above 65535 saves No Proxy")
            << "open; choose ProxyComboBox 2; type ProxyAddressEdit proxy.lan; type ProxyPortEdit 655350; =text ProxyPortEdit 65535; type ProxyPortEdit 70000; click SaveOptionsButton; =saved proxy=0 proxyPort=";
        QTest::newRow("Autodetect clears and disables")
            << "all; open; =text ProxyAddressEdit proxy.lan; =checked ProxyAuthCheckBox yes; choose ProxyComboBox 4; =text ProxyAddressEdit; =text ProxyPortEdit; =text ProxyLoginEdit; =enabled ProxyAddressEdit no; =enabled ProxyPortEdit no; =enabled ProxyAuthCheckBox no; click SaveOptionsButton; =saved proxy=4 proxyAddress= proxyPort= auth=0";
        // E-mail: what counts as a change when closing
        QTest::newRow("e-mail on without an address: no question")
            << "open; check EmailGroupBox; click CloseOptionsButton; =shown no; =asked -";
        QTest::newRow("e-mail address typed: question")
            << "open; check EmailGroupBox; type SMTPAddressEdit smtp.mail.lan; click CloseOptionsButton; =asked without saving; =shown yes";
        QTest::newRow("e-mail with a saved address turned off: question")
            << "file <SMTPEmail enabled=\"1\" address=\"smtp.mail.lan\"/>; open; uncheck EmailGroupBox; =text SMTPAddressEdit; click CloseOptionsButton; =asked without saving";
        // IP change
        QTest::newRow("Apply with no interval, then 30 minutes")
            << "open; check ChangeIPGroupBox; =enabled ForcedIpRadioButton no; =checked AutoIpRadioButton yes; click AutoIPButton; =text AutoIPTopLabel Every: 1 minute(s); choose AutoIPTimeComboBox 5; click AutoIPButton; =text AutoIPTopLabel Every: 30 minute(s); =text AutoIPBottomLabel Changes IP automatically every 30 minute(s).; click SaveOptionsButton; =saved forced=0 auto=30";
        QTest::newRow("unchecking Change New IP stores both off")
            << "file <Servers showOnMain=\"1\"/><ChangeIP enabled=\"1\" auto=\"15\"/>; open; =checked AutoIpRadioButton yes; =text AutoIPTopLabel Every: 15 minute(s); uncheck ChangeIPGroupBox; =checked ForcedIpRadioButton yes; =text AutoIPTopLabel Every: 0 minute(s); click SaveOptionsButton; =saved forced=0 auto=0";
        QTest::newRow("a forced change needs the list on the main screen")
            << "open; check ServerAtMainRadioButton; check ChangeIPGroupBox; =checked ForcedIpRadioButton yes; check ServerAtOptionsRadioButton; =checked ChangeIPGroupBox no; check ServerAtMainRadioButton; check ChangeIPGroupBox; click SaveOptionsButton; =saved onMain=1 forced=1 auto=0";
        // TCP and point-to-point
        QTest::newRow("TCP on port 80, kept at launch")
            << "open; =enabled EnableTcpOnStartupCheckBox no; =enabled TCPPort80RadioButton no; check EnableTCPCheckBox; check TCPPort80RadioButton; check EnableTcpOnStartupCheckBox; click SaveOptionsButton; =saved tcp=1 port=80 tcpOnStartup=1";
        QTest::newRow("TCP off takes port 443 and the launch option with it")
            << "all; open; =checked TCPPort80RadioButton yes; uncheck EnableTCPCheckBox; =checked TCPPort443RadioButton yes; =checked EnableTcpOnStartupCheckBox no; click SaveOptionsButton; =saved tcp=0 port=443 tcpOnStartup=0";
        QTest::newRow("kill switch: shown as saved, a change asks when closing, saved")
            << "all; open; =checked BlockTrafficCheckBox yes; uncheck BlockTrafficCheckBox; close; =asked without saving; answer yes; =saved killSwitch=0; open; =checked BlockTrafficCheckBox no";
        QTest::newRow("Point-to-Point, NO: the old value and the other changes")
            << "open; check EnablePTPCheckBox; check AutoConnectCheckBox; click SaveOptionsButton; =asked restart; =shown yes; answer no; =shown no; =saved ptp=0 autoConnect=1";
        // Defaults
        QTest::newRow("RESTORE DEFAULT then SAVE writes the defaults")
            << "all; open; click RestoreDefaultOptionsButton; =asked default settings; answer yes; click SaveOptionsButton; =shown no; =defaults";
        // Closing with changes
        QTest::newRow("close, question, SAVE")
            << "open; check FastestServerCheckBox; click CloseOptionsButton; =asked without saving; answer yes; =shown no; =saved fastest=1";
        QTest::newRow("close, question, CLOSE WITHOUT SAVING; the next opening shows the file")
            << "open; check FastestServerCheckBox; close; =asked without saving; answer no; =shown no; =saved fastest=0; open; =checked FastestServerCheckBox no";
        QTest::newRow("a file that cannot be written: said, and the dialog stays")
            << "unwritable; open; check FastestServerCheckBox; click SaveOptionsButton; =asked could not be saved; answer no; =shown yes";
        // The start-at-login entry
        QTest::newRow("opening follows the stored option, also when closed without saving")
            << "=autostart -; open; =autostart Exec=\"/opt/Nor vane/norvane\"; uncheck AutoLaunchCheckBox; click CloseOptionsButton; answer no; =shown no; =autostart Exec=\"/opt/Nor vane/norvane\"; file <AutoLaunch enabled=\"0\"/>; open; =autostart -";
        QTest::newRow("SAVE removes and writes the entry")
            << "open; uncheck AutoLaunchCheckBox; click SaveOptionsButton; =autostart -; =shown no; open; check AutoLaunchCheckBox; click SaveOptionsButton; =autostart Exec=\"/opt/Nor vane/norvane\"";
        // clang-format on
    }

    void userScripts()
    {
        QFETCH(QString, script);
        Host host;
        QStringList steps;
        for (const QString& step : script.split(QLatin1Char(';')))
            steps << step.trimmed();
        RunScript(steps, [&host](const QString& step) { host.Step(step); });
    }
};

QTEST_MAIN(TestVPNOptionsDialog)
#include "testvpnoptionsdialog.moc"
