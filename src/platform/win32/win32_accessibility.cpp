#include "platform/win32/win32_accessibility.h"

#include <oleacc.h>

#include "platform/win32/system_library.h"

namespace davev {
namespace {

// Spelt out here: the import libraries that define them would have the
// loader bring in oleacc with the program.
constexpr GUID AccPropServicesClass = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID AccPropServicesInterface = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID AccessibleName = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
// UI Automation's LiveSetting property, which Windows 8 and later take as an annotation.
constexpr GUID LiveSetting = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG PoliteLiveSetting = 1;

} // namespace

AccessibleAnnotations::~AccessibleAnnotations()
{
    for (HWND control : std::set<HWND>(annotated_))
        forget(control);
    if (services_ != nullptr)
        services_->Release();
    if (uninitialize_)
        if (const auto done = systemFunction<decltype(CoUninitialize)>(L"ole32.dll", "CoUninitialize"))
            done();
}

IAccPropServices* AccessibleAnnotations::services()
{
    if (loaded_)
        return services_;
    loaded_ = true;
    const auto initialize = systemFunction<decltype(CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    const auto create = systemFunction<decltype(CoCreateInstance)>(L"ole32.dll", "CoCreateInstance");
    if (initialize == nullptr || create == nullptr)
        return nullptr;
    // S_FALSE: already initialized here, which still wants its uninitialize.
    uninitialize_ = SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED));
    void* made = nullptr;
    if (SUCCEEDED(create(AccPropServicesClass, nullptr, CLSCTX_INPROC_SERVER, AccPropServicesInterface, &made)))
        services_ = static_cast<IAccPropServices*>(made);
    return services_;
}

bool AccessibleAnnotations::name(HWND control, const std::wstring& name)
{
    IAccPropServices* accessible = services();
    if (accessible == nullptr || FAILED(accessible->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT),
                                                                   CHILDID_SELF, AccessibleName, name.c_str())))
        return false;
    annotated_.insert(control);
    return true;
}

void AccessibleAnnotations::liveRegion(HWND control)
{
    VARIANT polite{};
    polite.vt = VT_I4;
    polite.lVal = PoliteLiveSetting;
    if (IAccPropServices* accessible = services();
        accessible != nullptr && SUCCEEDED(accessible->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT),
                                                                   CHILDID_SELF, LiveSetting, polite)))
        annotated_.insert(control);
}

void AccessibleAnnotations::forget(HWND control)
{
    if (annotated_.erase(control) == 0 || services_ == nullptr)
        return;
    MSAAPROPID props[] = {AccessibleName, LiveSetting};
    services_->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, props, 2);
}

void AccessibleAnnotations::announceChange(HWND control)
{
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, control, OBJID_CLIENT, CHILDID_SELF);
}

} // namespace davev
