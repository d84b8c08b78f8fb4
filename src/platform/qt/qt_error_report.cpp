#include "platform/qt/qt_error_report.h"

#include <QMessageBox>
#include <QPointer>
#include <iostream>
#include <string>
#include <vector>

namespace davev {

class QtErrorReport::Box {
public:
    ~Box()
    {
        // Closed boxes delete themselves from the event loop; these are the
        // ones the loop did not get to.
        for (const QPointer<QMessageBox>& box : boxes_)
            delete box.data();
    }

    bool open() const { return box_ != nullptr && box_->isVisible(); }

    void show(const QString& text)
    {
        std::erase_if(boxes_, [](const QPointer<QMessageBox>& box) { return box == nullptr; });
        box_ = new QMessageBox(QMessageBox::Critical, QStringLiteral("DA-VEV"), text, QMessageBox::Ok);
        box_->setObjectName(QStringLiteral("DAVEV_ERROR_BOX"));
        box_->setAttribute(Qt::WA_DeleteOnClose);
        box_->setWindowModality(Qt::ApplicationModal);
        // Shown, not executed: no handler waits in a nested loop for the user.
        box_->show();
        boxes_.push_back(box_);
    }

private:
    QPointer<QMessageBox> box_;
    std::vector<QPointer<QMessageBox>> boxes_;
};

QtErrorReport::QtErrorReport() : QtErrorReport(std::cerr) {}

QtErrorReport::QtErrorReport(std::ostream& log) : log_(log), box_(std::make_unique<Box>()) {}

QtErrorReport::~QtErrorReport() = default;

void QtErrorReport::report(const PlatformError& error)
{
    const std::string text = "Error " + std::to_string(error.number()) + ": " + error.description();
    log_ << "DA-VEV: " << text << std::endl;
    if (!box_->open())
        box_->show(QString::fromStdString(text));
}

void QtErrorReport::note(std::string_view text)
{
    log_ << "DA-VEV: " << text << std::endl;
}

bool QtErrorReport::boxOpen() const
{
    return box_->open();
}

} // namespace davev
