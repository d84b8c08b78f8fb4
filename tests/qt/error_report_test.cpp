#include <QApplication>
#include <QAbstractButton>
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

class ErrorReportTest : public testing::Test {
protected:
    std::ostringstream log;
    QtErrorReport errors{log};
};

TEST_F(ErrorReportTest, ShowsACriticalBoxWithoutBlocking)
{
    errors.report(PlatformError(53, "File not found: a.txt"));
    // Reaching this line at all means report() did not wait for the user.
    const auto boxes = visibleBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]->windowTitle(), "DA-VEV");
    EXPECT_EQ(boxes[0]->text(), "Error 53: File not found: a.txt");
    EXPECT_EQ(boxes[0]->icon(), QMessageBox::Critical);
    EXPECT_EQ(boxes[0]->windowModality(), Qt::ApplicationModal);
    EXPECT_NE(log.str().find("Error 53: File not found: a.txt\n"), std::string::npos);
}

TEST_F(ErrorReportTest, OneBoxAtATimeButEveryReportIsLogged)
{
    errors.report(PlatformError(53, "first"));
    errors.report(PlatformError(75, "second"));
    errors.report(PlatformError(76, "third"));
    const auto boxes = visibleBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]->text(), "Error 53: first");
    for (const char* line : {"Error 53: first", "Error 75: second", "Error 76: third"})
        EXPECT_NE(log.str().find(line), std::string::npos) << line;

    // Once the user has dismissed it, the next failure gets a box again.
    QTest::mouseClick(boxes[0]->button(QMessageBox::Ok), Qt::LeftButton);
    EXPECT_FALSE(errors.boxOpen());
    errors.report(PlatformError(5, "fourth"));
    const auto after = visibleBoxes();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0]->text(), "Error 5: fourth");
}

TEST_F(ErrorReportTest, NotesGoToTheLogOnly)
{
    errors.note("timer started late");
    EXPECT_TRUE(visibleBoxes().empty());
    EXPECT_NE(log.str().find("timer started late\n"), std::string::npos);
}

} // namespace
} // namespace davev
