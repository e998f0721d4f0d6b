#pragma once
// A umockdev testbed of USB devices. Works only in a process started through
// umockdev-wrapper (or umockdev-run): a program that links this and is
// started without it runs itself again under umockdev-wrapper. active() says,
// once a testbed exists, whether the process runs under it.
#include <string>

struct _UMockdevTestbed;

namespace testsupport {

class UsbTestbed {
 public:
  UsbTestbed();
  ~UsbTestbed();
  UsbTestbed(const UsbTestbed&) = delete;
  UsbTestbed& operator=(const UsbTestbed&) = delete;

  static bool active();

  // A usb_device at bus path name ("1-1.2") with the ids as sysfs spells
  // them ("054c"); no serial attribute when serial is null. Returns its syspath.
  std::string AddDevice(const std::string& name, const char* vendor, const char* product,
                        const char* serial = nullptr);
  // A device of another devtype (an interface of a device, "1-1:1.0").
  std::string AddOther(const std::string& name, const char* devtype, const char* vendor,
                       const char* product);
  // A block device below parent (a device's syspath) with the device number
  // dev ("8:17"), as a stick's partition sits on its USB device.
  std::string AddBlock(const std::string& parent, const std::string& name, const char* dev);
  void Remove(const std::string& syspath);
  void Clear();

 private:
  _UMockdevTestbed* bed_;
};

}  // namespace testsupport
