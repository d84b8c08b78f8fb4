#pragma once

#include <memory>

namespace davev {

// The Qt application object of the program; create it first, before any
// other Qt service, and let it go last. argc and argv must outlive it.
class QtApplication {
public:
    QtApplication(int& argc, char** argv);
    ~QtApplication();
    QtApplication(const QtApplication&) = delete;
    QtApplication& operator=(const QtApplication&) = delete;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace davev
