#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>
#include <sstream>

#include "platform/qt/qt_error_report.h"

namespace davev {
namespace {

std::vector<QMessageBox*> visibleBoxes()
{
    std::vector<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible())
            boxes.push_back(box);
    return boxes;
}

TEST(ErrorReport, OneNonBlockingBoxAtATimeAndEveryReportLogged)
{
    std::ostringstream log;
    QtErrorReport errors(log);
    // Each call returning at all means it did not wait for the user.
    errors.report(PlatformError(53, "File not found: a.txt"));
    errors.report(PlatformError(75, "second"));
    errors.note("a remark");

    const auto boxes = visibleBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]->windowTitle(), "DA-VEV");
    EXPECT_EQ(boxes[0]->text(), "Error 53: File not found: a.txt");
    EXPECT_EQ(boxes[0]->icon(), QMessageBox::Critical);
    EXPECT_EQ(boxes[0]->windowModality(), Qt::ApplicationModal);
    for (const char* line : {"Error 53: File not found: a.txt\n", "Error 75: second\n", "a remark\n"})
        EXPECT_NE(log.str().find(line), std::string::npos) << line;

    // Once the user has dismissed it, the next failure gets a box again.
    QTest::mouseClick(boxes[0]->button(QMessageBox::Ok), Qt::LeftButton);
    EXPECT_FALSE(errors.boxOpen());
    errors.report(PlatformError(5, "third"));
    const auto after = visibleBoxes();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0]->text(), "Error 5: third");
}

TEST(ErrorReport, BoxBelongsToTheWindowInFrontAndStaysAboveATopmostOne)
{
    std::ostringstream log;
    QtErrorReport errors(log);
    QWidget front;
    front.show();
    std::vector<std::uintptr_t> asked;
    bool topmost = false;
    errors.setTopmostQuery([&](std::uintptr_t window) {
        asked.push_back(window);
        return topmost;
    });
    for (const bool aboveAll : {false, true}) {
        topmost = aboveAll;
        errors.report(PlatformError(5, "Access denied"));
        const auto boxes = visibleBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0]->parentWidget(), &front) << "transient for the window it reports for";
        EXPECT_EQ(boxes[0]->windowFlags().testFlag(Qt::WindowStaysOnTopHint), aboveAll);
        boxes[0]->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(asked.back(), static_cast<std::uintptr_t>(front.winId()));

    // Nobody to dismiss a box: the report goes to the unattended log.
    std::vector<std::string> unattended;
    errors.setUnattendedLog([&](std::string_view text) {
        unattended.emplace_back(text);
        return LogLoss();
    });
    errors.setUnattended(true);
    errors.report(PlatformError(28, "No space left on device"));
    EXPECT_TRUE(visibleBoxes().empty());
    EXPECT_EQ(unattended, std::vector<std::string>{"Error 28: No space left on device"});
    EXPECT_NE(log.str().find("Error 28"), std::string::npos);
}

} // namespace
} // namespace davev
