#pragma once

#include "widgets/vpnsimpledialog.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

// Presses a button ("PrimaryButton", "SecondaryButton") of an open question and waits for its
// answer, which comes after the dialog has gone. False when that button is not shown.
inline bool Press(VPNSimpleDialog* dialog, const char* button)
{
    QSignalSpy primary(dialog, &VPNSimpleDialog::PrimaryPressed);
    QSignalSpy secondary(dialog, &VPNSimpleDialog::SecondaryPressed);
    auto* pressed = dialog->findChild<QPushButton*>(QLatin1String(button));
    if (!pressed || !pressed->isVisible())
        return false;
    pressed->click();
    return QTest::qWaitFor([&] { return primary.size() + secondary.size() == 1; });
}
