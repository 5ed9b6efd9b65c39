// The system's ports as Windows' own tools list them: the devices of the
// Ports class and those offering the COM port interface, with what the
// device manager knows of them, and then any port only the SERIALCOMM map
// names (drivers of virtual ports often register nothing else).
#include "portlist.h"

#include "comport_win32.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <algorithm>
#include <vector>

namespace {

// The Ports (COM and LPT) device class.
constexpr GUID kPortsClass{0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

const wchar_t *const kSerialCommKey = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
const wchar_t *const kPortNameValue = L"PortName";
const QString kPrinterPortPrefix = QStringLiteral("LPT");
constexpr DWORD kTextCapacity = 512;

QString registryString(HKEY key, const wchar_t *valueName)
{
    wchar_t text[kTextCapacity] = {};
    DWORD bytes = sizeof text - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE *>(text), &bytes) != ERROR_SUCCESS
        || type != REG_SZ)
        return {};
    return QString::fromWCharArray(text, static_cast<int>(bytes / sizeof(wchar_t))).section(QChar(0), 0, 0);
}

QString deviceProperty(HDEVINFO devices, SP_DEVINFO_DATA *device, DWORD property)
{
    wchar_t text[kTextCapacity] = {};
    if (!SetupDiGetDeviceRegistryPropertyW(devices, device, property, nullptr, reinterpret_cast<BYTE *>(text),
                                           sizeof text - sizeof(wchar_t), nullptr))
        return {};
    return QString::fromWCharArray(text);
}

QString instanceIdOf(DEVINST instance)
{
    wchar_t text[kTextCapacity] = {};
    if (CM_Get_Device_IDW(instance, text, kTextCapacity - 1, 0) != CR_SUCCESS)
        return {};
    return QString::fromWCharArray(text);
}

QString portNameOf(HDEVINFO devices, SP_DEVINFO_DATA *device)
{
    const HKEY key = SetupDiOpenDevRegKey(devices, device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    const QString name = registryString(key, kPortNameValue);
    RegCloseKey(key);
    return name;
}

bool listed(const QList<SerialPortEntry> &ports, const QString &name)
{
    return std::any_of(ports.begin(), ports.end(),
                       [&name](const SerialPortEntry &port) { return port.name.compare(name, Qt::CaseInsensitive) == 0; });
}

void addDevices(const GUID &guid, DWORD flags, QList<SerialPortEntry> *ports)
{
    const HDEVINFO devices = SetupDiGetClassDevsW(&guid, nullptr, nullptr, flags | DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        const QString name = portNameOf(devices, &device);
        if (name.isEmpty() || name.startsWith(kPrinterPortPrefix, Qt::CaseInsensitive) || listed(*ports, name))
            continue;
        QString description = deviceProperty(devices, &device, SPDRP_FRIENDLYNAME);
        if (description.isEmpty())
            description = deviceProperty(devices, &device, SPDRP_DEVICEDESC);
        UsbIdentity usb = usbIdentityFromInstanceId(instanceIdOf(device.DevInst));
        // One function of a composite USB device: the serial number is the
        // whole device's, one level up.
        DEVINST parent = 0;
        if (usb.serialNumber.isEmpty() && CM_Get_Parent(&parent, device.DevInst, 0) == CR_SUCCESS) {
            const UsbIdentity whole = usbIdentityFromInstanceId(instanceIdOf(parent));
            if (whole.vendorId == usb.vendorId && whole.productId == usb.productId)
                usb.serialNumber = whole.serialNumber;
        }
        *ports << SerialPortEntry{name,          description,   deviceProperty(devices, &device, SPDRP_MFG),
                                  usb.serialNumber, usb.vendorId, usb.productId};
    }
    SetupDiDestroyDeviceInfoList(devices);
}

void addSerialCommPorts(QList<SerialPortEntry> *ports)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[kTextCapacity] = {};
        wchar_t data[kTextCapacity] = {};
        DWORD nameLength = kTextCapacity - 1;
        DWORD dataBytes = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        if (RegEnumValueW(key, index, valueName, &nameLength, nullptr, &type, reinterpret_cast<BYTE *>(data),
                          &dataBytes)
            != ERROR_SUCCESS)
            break;
        const QString name = QString::fromWCharArray(data, static_cast<int>(dataBytes / sizeof(wchar_t)))
                                 .section(QChar(0), 0, 0);
        if (type == REG_SZ && !name.isEmpty() && !listed(*ports, name))
            *ports << SerialPortEntry{name, {}, {}, {}, std::nullopt, std::nullopt};
    }
    RegCloseKey(key);
}

} // namespace

bool portNamePresent(const QString &portName)
{
    wchar_t target[kTextCapacity] = {};
    if (QueryDosDeviceW(reinterpret_cast<const wchar_t *>(portName.utf16()), target, kTextCapacity) != 0)
        return true;
    // Wine makes no DOS device name of a COM port linked into its prefix by
    // hand; such a port is asked directly. A port that exists but is busy
    // is there all the same.
    const HANDLE port = CreateFileW(reinterpret_cast<const wchar_t *>(comDevicePath(portName).utf16()),
                                    GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port != INVALID_HANDLE_VALUE) {
        CloseHandle(port);
        return true;
    }
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

QList<SerialPortEntry> systemPorts()
{
    QList<SerialPortEntry> ports;
    addDevices(kPortsClass, 0, &ports);
    addDevices(kComPortInterface, DIGCF_DEVICEINTERFACE, &ports);
    addSerialCommPorts(&ports);
    std::stable_sort(ports.begin(), ports.end(),
                     [](const SerialPortEntry &a, const SerialPortEntry &b) { return portNameBefore(a.name, b.name); });
    return ports;
}
