// A second baseline for the startup benchmark: the minimal window with one
// line of text, so the cost of bringing up fonts shows apart from DA-VEV's own.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("labelled"));
    window.resize(400, 300);
    QLabel label(QStringLiteral("READY..."), &window);
    label.setFont(QFont(QStringLiteral("Arial"), 9));
    window.show();
    return application.exec();
}
