#include "platform/qt/qt_x11_connection.h"

#include <QGuiApplication>

namespace davev {

_XDisplay* qtX11Connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->display() : nullptr;
}

} // namespace davev
