#include "app/placeholdermainwindow.h"

#include "app/qtsingleapplication.h"

#include <QLabel>

PlaceholderMainWindow::PlaceholderMainWindow(QtSingleApplication* application, QWidget* parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("NORVANE"));
    auto* label = new QLabel(QStringLiteral("NORVANE"), this);
    label->setAlignment(Qt::AlignCenter);
    setCentralWidget(label);
    resize(360, 480);
    connect(application, &QtSingleApplication::Exit, this, &PlaceholderMainWindow::OnExit);
}

void PlaceholderMainWindow::OnExit()
{
    close();
    QCoreApplication::quit();
}
