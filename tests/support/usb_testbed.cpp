#include "tests/support/usb_testbed.h"

#include <umockdev.h>

namespace testsupport {
namespace {

std::string Take(gchar* text) {
  std::string out = text ? text : "";
  g_free(text);
  return out;
}

}  // namespace

UsbTestbed::UsbTestbed() : bed_(umockdev_testbed_new()) {}

UsbTestbed::~UsbTestbed() {
  g_object_unref(bed_);
}

bool UsbTestbed::active() {
  return umockdev_in_mock_environment();
}

std::string UsbTestbed::AddDevice(const std::string& name, const char* vendor, const char* product,
                                  const char* serial) {
  if (serial) {
    return Take(umockdev_testbed_add_device(bed_, "usb", name.c_str(), nullptr, "idVendor", vendor,
                                            "idProduct", product, "serial", serial, nullptr,
                                            "DEVTYPE", "usb_device", nullptr));
  }
  return Take(umockdev_testbed_add_device(bed_, "usb", name.c_str(), nullptr, "idVendor", vendor,
                                          "idProduct", product, nullptr, "DEVTYPE", "usb_device",
                                          nullptr));
}

std::string UsbTestbed::AddOther(const std::string& name, const char* devtype, const char* vendor,
                                 const char* product) {
  return Take(umockdev_testbed_add_device(bed_, "usb", name.c_str(), nullptr, "idVendor", vendor,
                                          "idProduct", product, nullptr, "DEVTYPE", devtype,
                                          nullptr));
}

void UsbTestbed::Remove(const std::string& syspath) {
  umockdev_testbed_remove_device(bed_, syspath.c_str());
}

void UsbTestbed::Clear() {
  umockdev_testbed_clear(bed_);
}

}  // namespace testsupport
