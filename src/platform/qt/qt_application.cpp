#include "platform/qt/qt_application.h"

#include <QApplication>

namespace davev {

class QtApplication::Impl {
public:
    Impl(int& argc, char** argv) : app(argc, argv)
    {
        QCoreApplication::setApplicationName(QStringLiteral("DA-VEV"));
        QGuiApplication::setQuitOnLastWindowClosed(false);
    }
    QApplication app;
};

QtApplication::QtApplication(int& argc, char** argv) : impl_(std::make_unique<Impl>(argc, argv)) {}

QtApplication::~QtApplication() = default;

} // namespace davev
