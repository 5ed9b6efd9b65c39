// Windows announces devices with WM_DEVICECHANGE: to the windows that asked
// for a device interface's arrivals and removals, and a general "the device
// tree changed" to every top-level window. A hidden window of our own gets
// both; Qt's event loop dispatches its messages.
#include "devicenotice.h"

#include "comport_win32.h"

#include <windows.h>

#include <dbt.h>

namespace {

const wchar_t *const kWindowClass = L"QuillonDeviceNotice";

class Win32DeviceNotice : public DeviceNotice
{
public:
    explicit Win32DeviceNotice(QObject *parent) : DeviceNotice(parent)
    {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &Win32DeviceNotice::windowProcedure;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kWindowClass;
        RegisterClassW(&windowClass); // fails harmlessly when a second notice registers it again
        // A top-level window, never shown: a message-only window would miss
        // the broadcast that the device tree changed.
        m_window = CreateWindowExW(0, kWindowClass, kWindowClass, WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                   instance, nullptr);
        if (!m_window)
            return;
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = kComPortInterface;
        m_registration = RegisterDeviceNotificationW(m_window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }

    ~Win32DeviceNotice() override
    {
        if (m_registration)
            UnregisterDeviceNotification(m_registration);
        if (m_window)
            DestroyWindow(m_window);
    }

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_DEVICECHANGE
            && (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE || wParam == DBT_DEVNODES_CHANGED)) {
            if (auto *notice = reinterpret_cast<Win32DeviceNotice *>(GetWindowLongPtrW(window, GWLP_USERDATA)))
                emit notice->devicesChanged();
            return TRUE;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND m_window = nullptr;
    HDEVNOTIFY m_registration = nullptr;
};

} // namespace

DeviceNotice *createDeviceNotice(QObject *parent) { return new Win32DeviceNotice(parent); }
