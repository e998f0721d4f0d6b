#include <windows.h>
// after windows.h; initguid.h makes usbiodef.h define its GUIDs
#include <initguid.h>
// after initguid.h
#include <setupapi.h>
#include <usbiodef.h>

#include <memory>
#include <vector>

#include "platform/usb/usb_devices.h"

namespace plat {
namespace {

struct InfoListDestroyer {
  void operator()(HDEVINFO set) const { SetupDiDestroyDeviceInfoList(set); }
};

// The device path of member index of set; empty when it has none.
std::wstring DetailPath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data) {
  DWORD required = 0;
  SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &required, nullptr);
  if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return {};
  // DWORD-aligned storage for the variable-length detail.
  std::vector<DWORD> storage((required + sizeof(DWORD) - 1) / sizeof(DWORD));
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required, nullptr, nullptr)) return {};
  return detail->DevicePath;
}

}  // namespace

// The present devices of the USB device interface class, in the order
// SetupAPI lists them; their paths are the system's own.
UsbDevices UsbDevices::Present() {
  UsbDevices result;
  HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVINTERFACE_USB_DEVICE, nullptr, nullptr,
                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return result;
  const std::unique_ptr<void, InfoListDestroyer> owner(set);
  for (DWORD i = 0;; ++i) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, &GUID_DEVINTERFACE_USB_DEVICE, i, &data)) {
      if (GetLastError() == ERROR_NO_MORE_ITEMS) break;
      continue;  // this member only
    }
    std::wstring path = DetailPath(set, data);
    if (!path.empty()) result.paths_.push_back(std::move(path));
  }
  result.listed_ = true;
  return result;
}

// Drives carry no device number on Windows (DriveTable::Drive::device stays
// empty), so no block device is ever asked about.
std::wstring UsbPathOfBlockDevice(std::uint64_t) {
  return {};
}

std::wstring UsbDevices::PathAt(std::size_t index) const {
  return index < paths_.size() ? paths_[index] : std::wstring();
}

}  // namespace plat
