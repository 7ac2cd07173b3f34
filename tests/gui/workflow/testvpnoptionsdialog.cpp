#include "dialoganswer.h"
#include "fakeapi.h"
#include "linux/xdgautostartentry.h"
#include "runscript.h"
#include "servers/vpnserverlistmodel.h"
#include "servers/vpnservermanager.h"
#include "settings/settingsfile.h"
#include "settings/settingsstore.h"
#include "vpnoptionsdialog.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaEnum>
#include <QTabWidget>
#include <QTemporaryDir>

namespace {

// The fields of a record as "name=value" words, in the order of the settings file.
QStringList Fields(const VPNSettings& s)
{
    const auto b = [](bool value) { return QString::number(int(value)); };
    return {QStringLiteral("tcp=") + b(s.tcpServersEnabled),
            QStringLiteral("port=%1").arg(s.tcpPort),
            QStringLiteral("ptp=") + b(s.pointToPointEnabled),
            QStringLiteral("proxy=%1").arg(s.proxyType),
            QStringLiteral("proxyAddress=") + s.proxyAddress,
            QStringLiteral("proxyPort=") + s.proxyPort,
            QStringLiteral("auth=") + b(s.proxyAuthEnabled),
            QStringLiteral("user=") + s.proxyUser,
            QStringLiteral("password=") + s.proxyPassword,
            QStringLiteral("onMain=") + b(s.serversOnMainScreen),
            QStringLiteral("forced=") + b(s.forcedIpChangeEnabled),
            QStringLiteral("auto=%1").arg(s.autoIpChangeMinutes),
            QStringLiteral("autoConnect=") + b(s.autoConnect),
            QStringLiteral("autoLaunch=") + b(s.autoLaunch),
            QStringLiteral("fastest=") + b(s.fastestServer),
            QStringLiteral("tcpOnStartup=") + b(s.tcpOnStartup),
            QStringLiteral("smtp=") + b(s.smtpEnabled),
            QStringLiteral("smtpAddress=") + s.smtpAddress};
}

VPNServer Endpoint(const QString& name, const QString& address)
{
    VPNServer server;
    server.name = name;
    server.description = name;
    server.address = address;
    return server;
}

} // namespace

// The options dialog driven as a user drives it, offscreen, over a settings file and an autostart
// folder in a temporary directory. Each row is a script:
// Steps: file <elements of the settings file> | all (every option changed) | unwritable | servers | open |
// close |
//   check|uncheck <control> | type <edit> [text] | choose <combo> <row> | click <button> |
//   key <control> <Qt key name> | answer yes|no | favorite | block | unblock | tab <n>
// Checks: =saved <name=value ...> | =defaults | =shown yes|no | =asked <phrase>|- | =text <control> [text]
//   | =enabled|=checked <control> yes|no | =autostart <Exec line>|- | =updated <n> | =restart <n> |
//   =context <n> | =current <row> | =tab <n> | =index <currentServerIndex>
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
        QString autostart = dir.filePath(QStringLiteral("autostart/norvane.desktop"));
        VPNOptionsDialog dialog {settings, catalog, api,
                                 std::make_unique<XdgAutostartEntry>(
                                     dir.filePath(QStringLiteral("autostart")),
                                     QStringLiteral("/opt/Nor vane/norvane"), QStringLiteral("norvane")),
                                 QStringLiteral("norvane")};
        std::unique_ptr<VPNServerListModel> model;
        QSignalSpy updated {&dialog, &VPNOptionsDialog::ConfigurationUpdated};
        QSignalSpy restart {&dialog, &VPNOptionsDialog::RestartRequested};
        QSignalSpy context {&dialog, &VPNOptionsDialog::ServersContextStateChanged};

        template<typename T = QWidget> T* Child(const QString& name)
        {
            T* child = dialog.findChild<T*>(name);
            if (!child)
                qWarning() << "no control" << name;
            return child;
        }

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
                    "<ChangeIP enabled=\"0\" auto=\"5\"/><Proxy type=\"HTTP\"><Server address=\"proxy.lan\" "
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
            } else if (verb == QLatin1String("servers")) {
                catalog.SetServerLists(
                    {Endpoint(QStringLiteral("USA Chicago"), QStringLiteral("198.51.100.12")),
                     Endpoint(QStringLiteral("USA Miami"), QStringLiteral("198.51.100.13"))},
                    {});
                model = std::make_unique<VPNServerListModel>(catalog.RebuildCurrentList());
                dialog.UpdateServersModel(model.get(), 0);
                settings.Settings().currentServerIndex = 0; // the main window's choice
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
            } else if (verb == QLatin1String("key")) {
                const int key = QMetaEnum::fromType<Qt::Key>().keyToValue(rest.toLatin1().constData());
                QTest::keyClick(Child(name), Qt::Key(key));
            } else if (verb == QLatin1String("answer")) {
                QVERIFY(QTest::qWaitFor([this] { return dialog.QuestionDialog()->isVisible(); }));
                QVERIFY(Press(dialog.QuestionDialog(),
                              arg == QLatin1String("yes") ? "PrimaryButton" : "SecondaryButton"));
            } else if (verb == QLatin1String("favorite")) {
                Child<QComboBox>(QStringLiteral("ServerListDropDown"))->actions().at(0)->trigger();
                QVERIFY(Press(dialog.MarksDialog(), "SecondaryButton")); // the first favorite: OK
            } else if (verb == QLatin1String("block") || verb == QLatin1String("unblock")) {
                dialog.SetServersInteractionEnabled(verb == QLatin1String("unblock"));
            } else if (verb == QLatin1String("tab")) {
                dialog.SetCurrentTabIndex(arg.toInt());
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
            } else if (what == QLatin1String("text")) {
                expected = rest;
                auto* edit = qobject_cast<QLineEdit*>(Child(name));
                actual = edit ? edit->text() : Child<QLabel>(name)->text();
            } else if (what == QLatin1String("enabled") || what == QLatin1String("checked")) {
                expected = rest;
                QWidget* control = Child(name);
                auto* group = qobject_cast<QGroupBox*>(control);
                actual = yes(what == QLatin1String("enabled") ? control->isEnabled()
                                 : group                      ? group->isChecked()
                                         : qobject_cast<QAbstractButton*>(control)->isChecked());
            } else if (what == QLatin1String("autostart")) { // its Exec line, or "-" when there is none
                QFile file(autostart);
                actual = QStringLiteral("-");
                if (file.open(QIODevice::ReadOnly)) {
                    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
                        if (line.startsWith(QLatin1String("Exec=")))
                            actual = line;
                    }
                }
            } else if (what == QLatin1String("updated")) {
                actual = QString::number(updated.count());
            } else if (what == QLatin1String("restart")) {
                actual = QString::number(restart.count());
            } else if (what == QLatin1String("context")) {
                actual = QString::number(context.count());
            } else if (what == QLatin1String("current")) {
                actual
                    = QString::number(Child<QComboBox>(QStringLiteral("ServerListDropDown"))->currentIndex());
            } else if (what == QLatin1String("tab")) {
                actual
                    = QString::number(Child<QTabWidget>(QStringLiteral("OptionsTabWidget"))->currentIndex());
            } else if (what == QLatin1String("index")) {
                actual = QString::number(settings.Settings().currentServerIndex);
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
            << "open; tab 3; choose ProxyComboBox 1; type ProxyAddressEdit proxy.lan; check ProxyAuthCheckBox; type ProxyLoginEdit ann; click SaveOptionsButton; =shown no; =saved proxy=0 proxyAddress= proxyPort= auth=0 user=; =updated 1";
        QTest::newRow("HTTP with address, port and credentials")
            << "open; choose ProxyComboBox 1; =enabled ProxyLoginEdit no; type ProxyAddressEdit proxy.lan; type ProxyPortEdit 7000; check ProxyAuthCheckBox; type ProxyLoginEdit ann; type ProxyPasswordEdit pw; click SaveOptionsButton; =saved proxy=1 proxyAddress=proxy.lan proxyPort=7000 auth=1 user=ann password=pw";
        QTest::newRow("a port above 65535 saves No Proxy")
            << "open; choose ProxyComboBox 2; type ProxyAddressEdit proxy.lan; type ProxyPortEdit 655350; =text ProxyPortEdit 65535; type ProxyPortEdit 70000; click SaveOptionsButton; =saved proxy=0 proxyPort=";
        QTest::newRow("Autodetect clears and disables")
            << "all; open; =text ProxyAddressEdit proxy.lan; =checked ProxyAuthCheckBox yes; choose ProxyComboBox 4; =text ProxyAddressEdit; =text ProxyPortEdit; =text ProxyLoginEdit; =enabled ProxyAddressEdit no; =enabled ProxyPortEdit no; =enabled ProxyAuthCheckBox no; click SaveOptionsButton; =saved proxy=4 proxyAddress= proxyPort= auth=0";
        QTest::newRow("SOCKS: a server but no credentials")
            << "all; open; choose ProxyComboBox 3; =enabled ProxyAddressEdit yes; =checked ProxyAuthCheckBox no; =enabled ProxyAuthCheckBox no; =text ProxyLoginEdit; click SaveOptionsButton; =saved proxy=3 proxyAddress=proxy.lan auth=0 user=";
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
        QTest::newRow("Point-to-Point, NO: the old value and the other changes")
            << "open; check EnablePTPCheckBox; check AutoConnectCheckBox; click SaveOptionsButton; =asked restart; =updated 1; =shown yes; answer no; =shown no; =saved ptp=0 autoConnect=1; =restart 0";
        QTest::newRow("Point-to-Point, YES: restart requested")
            << "open; check EnablePTPCheckBox; click SaveOptionsButton; answer yes; =restart 1; =saved ptp=1";
        // Defaults
        QTest::newRow("RESTORE DEFAULT then SAVE writes the defaults")
            << "all; open; click RestoreDefaultOptionsButton; =asked default settings; answer yes; click SaveOptionsButton; =shown no; =defaults";
        QTest::newRow("RESTORE DEFAULT, NO: nothing changes")
            << "all; open; click RestoreDefaultOptionsButton; answer no; click CloseOptionsButton; =shown no; =asked -";
        // Closing with changes
        QTest::newRow("close, question, SAVE")
            << "open; check FastestServerCheckBox; click CloseOptionsButton; =asked without saving; answer yes; =shown no; =saved fastest=1; =updated 1";
        QTest::newRow("close, question, CLOSE WITHOUT SAVING; the next opening shows the file")
            << "open; check FastestServerCheckBox; close; =asked without saving; answer no; =shown no; =saved fastest=0; =updated 0; open; =checked FastestServerCheckBox no";
        QTest::newRow("a file that cannot be written: said, and the dialog stays")
            << "unwritable; open; check FastestServerCheckBox; click SaveOptionsButton; =asked could not be saved; answer no; =shown yes";
        // The start-at-login entry
        QTest::newRow("opening follows the stored option, also when closed without saving")
            << "=autostart -; open; =autostart Exec=\"/opt/Nor vane/norvane\"; uncheck AutoLaunchCheckBox; click CloseOptionsButton; answer no; =shown no; =autostart Exec=\"/opt/Nor vane/norvane\"; file <AutoLaunch enabled=\"0\"/>; open; =autostart -";
        QTest::newRow("SAVE removes and writes the entry")
            << "open; uncheck AutoLaunchCheckBox; click SaveOptionsButton; =autostart -; =shown no; open; check AutoLaunchCheckBox; click SaveOptionsButton; =autostart Exec=\"/opt/Nor vane/norvane\"";
        // The server list
        QTest::newRow("server choice saved; blocked while connected")
            << "servers; open; tab 2; =current 0; block; key ServerListDropDown Key_Down; =current 0; unblock; key ServerListDropDown Key_Down; =current 1; click SaveOptionsButton; =index 1";
        QTest::newRow("a favorite set here is announced")
            << "servers; open; favorite; =context 1";
        QTest::newRow("tabs by number, others are Start Up")
            << "tab 3; =tab 3; tab 1; =tab 1; tab 7; =tab 0";
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
