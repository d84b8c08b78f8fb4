// The baseline for the startup benchmark: a Qt Widgets program that shows one window.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("minimal"));
    window.resize(400, 300);
    window.show();
    return application.exec();
}
