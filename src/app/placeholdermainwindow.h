#pragma once

#include <QMainWindow>

class QtSingleApplication;

// Stands in for the main window until it exists: a plain window that start-up shows and that
// quits on the application's Exit(), so the single-instance and start-up paths run end to end.
class PlaceholderMainWindow final : public QMainWindow
{
    Q_OBJECT

public:
    explicit PlaceholderMainWindow(QtSingleApplication* application, QWidget* parent = nullptr);

public slots:
    void OnExit();
};
