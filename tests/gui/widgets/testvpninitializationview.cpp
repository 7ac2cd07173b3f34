#include "widgets/vpninitializationview.h"

#include <QPropertyAnimation>
#include <QTest>

// The start-up pulse: paused while nothing shows it, on again when shown, off when stopped.
class TestVPNInitializationView final : public QObject
{
    Q_OBJECT

private slots:
    void pulsePausesWhileHidden_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("hidden window pauses, shown again runs") << "start hide show" << "Running Paused Running";
        QTest::newRow("stopped while hidden stays stopped when shown") << "start hide stop show" << "Running Paused Stopped Stopped";
        QTest::newRow("started while hidden runs once shown") << "hide start show" << "Stopped Running Running";
        // clang-format on
    }

    void pulsePausesWhileHidden()
    {
        QFETCH(QString, steps);
        QWidget window;
        window.resize(400, 300);
        VPNInitializationView view(&window, QRect(0, 0, 300, 60));
        window.show();
        QStringList states;
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            if (step == QLatin1String("start"))
                view.StartAnimation();
            else if (step == QLatin1String("stop"))
                view.StopAnimation();
            else if (step == QLatin1String("hide"))
                window.hide();
            else if (step == QLatin1String("show"))
                window.show();
            states << QLatin1String(
                QMetaEnum::fromType<QAbstractAnimation::State>().valueToKey(view.PulseAnimation()->state()));
        }
        QTEST(states.join(QLatin1Char(' ')), "expected");
        QCOMPARE(view.IsAnimating(), view.PulseAnimation()->state() != QAbstractAnimation::Stopped);
    }
};

QTEST_MAIN(TestVPNInitializationView)
#include "testvpninitializationview.moc"
