#pragma once
// The present USB devices, each named by a Windows-style device interface
// path (stands in for SetupAPI's enumeration of USB device interfaces).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Interface class of USB devices, {A5DCBF10-6530-11D2-901F-00C04FB951ED}, as
// it is spelled at the end of a device path.
inline constexpr wchar_t kUsbDeviceInterfaceClass[] = L"{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

class UsbDevices {
 public:
  // A snapshot of the devices now present (udev devtype usb_device), ordered
  // by their place on the bus; empty, and not listed(), when udev cannot be asked.
  static UsbDevices Present();

  bool listed() const { return listed_; }
  std::size_t size() const { return paths_.size(); }
  // "\\?\usb#vid_054c&pid_01c8#SERIAL#{a5dcbf10-...}"; the bus path (1-1.4)
  // stands in for a missing serial. Empty past the end.
  std::wstring PathAt(std::size_t index) const;

 private:
  bool listed_ = false;
  std::vector<std::wstring> paths_;
};

// The device path (as PathAt spells it) of the USB device that the block
// device of deviceNumber sits on, found through its udev parents; empty when
// it sits on none or udev cannot tell.
std::wstring UsbPathOfBlockDevice(std::uint64_t deviceNumber);

}  // namespace plat
