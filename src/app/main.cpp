#include <QApplication>
#include <QWidget>

// Stand-in until start-up lands: opens an empty window.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget placeholderWindow;
    placeholderWindow.show();
    return QApplication::exec();
}
