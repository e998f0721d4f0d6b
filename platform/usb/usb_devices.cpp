#include "platform/usb/usb_devices.h"

#include <libudev.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <utility>

namespace plat {
namespace {

struct UdevUnref {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevUnref>;

// One path component from a sysfs text: printable ASCII only, and never the
// '#' or '\' that separate components; hex ids are lower-cased as Windows
// spells them.
std::wstring Component(const char* text, bool lower) {
  std::wstring out;
  for (std::string_view s = text ? text : ""; char c : s) {
    if (c <= ' ' || c > '~' || c == '#' || c == '\\') c = '_';
    if (lower && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    out.push_back(static_cast<wchar_t>(c));
  }
  return out;
}

std::wstring DevicePath(udev_device* dev) {
  const char* serial = udev_device_get_sysattr_value(dev, "serial");
  if (!serial || !*serial) serial = udev_device_get_sysname(dev);
  return L"\\\\?\\usb#vid_" + Component(udev_device_get_sysattr_value(dev, "idVendor"), true) +
         L"&pid_" + Component(udev_device_get_sysattr_value(dev, "idProduct"), true) + L"#" +
         Component(serial, false) + L"#" + kUsbDeviceInterfaceClass;
}

}  // namespace

UsbDevices UsbDevices::Present() {
  UsbDevices result;
  UdevPtr<udev> context(udev_new());
  if (!context) return result;
  UdevPtr<udev_enumerate> enumerate(udev_enumerate_new(context.get()));
  if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "usb") < 0 ||
      udev_enumerate_add_match_property(enumerate.get(), "DEVTYPE", "usb_device") < 0 ||
      udev_enumerate_scan_devices(enumerate.get()) < 0) {
    return result;
  }
  std::vector<std::pair<std::string, std::wstring>> found;  // (syspath, device path)
  udev_list_entry* entry;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
    const char* syspath = udev_list_entry_get_name(entry);
    UdevPtr<udev_device> dev(udev_device_new_from_syspath(context.get(), syspath));
    if (dev) found.emplace_back(syspath, DevicePath(dev.get()));
  }
  std::sort(found.begin(), found.end());
  result.listed_ = true;
  for (auto& f : found) result.paths_.push_back(std::move(f.second));
  return result;
}

std::wstring UsbPathOfBlockDevice(std::uint64_t deviceNumber) {
  UdevPtr<udev> context(udev_new());
  if (!context) return {};
  UdevPtr<udev_device> block(
      udev_device_new_from_devnum(context.get(), 'b', static_cast<dev_t>(deviceNumber)));
  if (!block) return {};
  // The parent belongs to the block device and goes with it.
  udev_device* usb =
      udev_device_get_parent_with_subsystem_devtype(block.get(), "usb", "usb_device");
  return usb != nullptr ? DevicePath(usb) : std::wstring();
}

std::wstring UsbDevices::PathAt(std::size_t index) const {
  return index < paths_.size() ? paths_[index] : std::wstring();
}

}  // namespace plat
