#pragma once

#include "platform/qt/qt_display.h"
#include "platform/qt/qt_error_report.h"
#include "platform/qt/qt_timer_driver.h"

namespace davev::test {

using RendererDisplay = QtDisplay;
using RendererTimers = QtTimerDriver;
using RendererErrorReport = QtErrorReport;

} // namespace davev::test
