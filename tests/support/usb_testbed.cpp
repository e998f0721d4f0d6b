#include "tests/support/usb_testbed.h"

#include <umockdev.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace testsupport {
namespace {

std::string Take(gchar* text) {
  std::string out = text ? text : "";
  g_free(text);
  return out;
}

// The program's own arguments, from /proc: this runs before main.
std::vector<std::string> OwnArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), {});
  std::vector<std::string> args;
  for (std::size_t start = 0; start < all.size();) {
    const std::size_t end = all.find('\0', start);
    args.push_back(all.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return args;
}

// A program with testbeds started by hand runs itself again under
// umockdev-wrapper, as ctest starts it. Where the wrapper cannot be started
// the program goes on, and its testbed tests say they are skipped.
const bool gUnderUmockdev = [] {
  // umockdev_in_mock_environment() says so only once a testbed exists.
  const char* preload = std::getenv("LD_PRELOAD");
  if (preload != nullptr && std::strstr(preload, "umockdev-preload") != nullptr) return true;
  std::error_code error;
  const std::string self = std::filesystem::read_symlink("/proc/self/exe", error).string();
  std::vector<std::string> args = OwnArguments();
  if (error || args.empty()) return false;
  args[0] = self;
  args.insert(args.begin(), "umockdev-wrapper");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  return false;
}();

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

std::string UsbTestbed::AddBlock(const std::string& parent, const std::string& name,
                                 const char* dev) {
  const std::string number = dev;
  const std::size_t colon = number.find(':');
  const std::string major = number.substr(0, colon);
  const std::string minor = colon == std::string::npos ? "" : number.substr(colon + 1);
  const std::string syspath = Take(umockdev_testbed_add_device(
      bed_, "block", name.c_str(), parent.c_str(), "dev", dev, nullptr, "DEVTYPE", "partition",
      "MAJOR", major.c_str(), "MINOR", minor.c_str(), nullptr));
  // The kernel's index of block devices by number, which udev looks them up in.
  const std::filesystem::path index =
      std::filesystem::path(umockdev_testbed_get_root_dir(bed_)) / "sys/dev/block";
  std::error_code error;
  std::filesystem::create_directories(index, error);
  std::filesystem::create_symlink("../.." + syspath.substr(std::string("/sys").size()),
                                  index / number, error);
  return syspath;
}

void UsbTestbed::Remove(const std::string& syspath) {
  umockdev_testbed_remove_device(bed_, syspath.c_str());
}

void UsbTestbed::Clear() {
  umockdev_testbed_clear(bed_);
}

}  // namespace testsupport
