#pragma once

#include <set>
#include <string>
#include <windows.h>

struct IAccPropServices;

namespace davev {

// What screen readers learn of the controls beyond what Windows tells them
// itself, through oleacc's dynamic annotation, which MSAA and UI Automation
// clients both read: a field's name (the caption of its label) and a status
// line as a polite live region. COM and oleacc are loaded from the system
// folder with the first annotation.
class AccessibleAnnotations {
public:
    AccessibleAnnotations() = default;
    ~AccessibleAnnotations();
    AccessibleAnnotations(const AccessibleAnnotations&) = delete;
    AccessibleAnnotations& operator=(const AccessibleAnnotations&) = delete;

    // False where the system takes no annotation (Wine's oleacc).
    bool name(HWND control, const std::wstring& name);
    void liveRegion(HWND control);
    // Before `control` goes: its annotations go with it.
    void forget(HWND control);

    // Tells MSAA and UI Automation clients that the text of `control`, a
    // live region, changed, so that they speak it.
    static void announceChange(HWND control);

private:
    IAccPropServices* services();

    IAccPropServices* services_ = nullptr;
    bool loaded_ = false;
    bool uninitialize_ = false;
    std::set<HWND> annotated_;
};

} // namespace davev
