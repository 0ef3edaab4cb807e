// The yardstick for start-up time: an empty main window, nothing else.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle("VARSENO");
    w.resize(1024, 768);
    w.show();
    return app.exec();
}
