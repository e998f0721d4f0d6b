#include <gtest/gtest.h>

#include <string>

#include "platform/usb/usb_devices.h"
#include "tests/support/usb_testbed.h"

namespace {

class UsbDevicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::UsbTestbed::active())
      GTEST_SKIP() << "needs umockdev-wrapper around the test";
  }
  testsupport::UsbTestbed bed_;
};

const std::wstring kSuffix = L"#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

TEST_F(UsbDevicesTest, NoDevicesGivesAnEmptySnapshot) {
  const auto devices = plat::UsbDevices::Present();
  EXPECT_TRUE(devices.listed());
  EXPECT_EQ(devices.size(), 0u);
  EXPECT_EQ(devices.PathAt(0), L"");
}

TEST_F(UsbDevicesTest, PathsCarryIdsAndSerialOrBusPath) {
  struct Case {
    const char* name;
    const char* vendor;
    const char* product;
    const char* serial;
    std::wstring path;
  };
  const Case cases[] = {
      {"1-1", "054c", "01c8", "SERIAL01", L"\\\\?\\usb#vid_054c&pid_01c8#SERIAL01" + kSuffix},
      {"1-2", "054C", "02D2", nullptr, L"\\\\?\\usb#vid_054c&pid_02d2#1-2" + kSuffix},
      {"1-3", "054c", "0381", "", L"\\\\?\\usb#vid_054c&pid_0381#1-3" + kSuffix},
      {"1-4", "1d6b", "0002", "a#b\\c d\x7f", L"\\\\?\\usb#vid_1d6b&pid_0002#a_b_c_d_" + kSuffix},
  };
  for (const auto& c : cases) bed_.AddDevice(c.name, c.vendor, c.product, c.serial);
  const auto devices = plat::UsbDevices::Present();
  ASSERT_EQ(devices.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(devices.PathAt(i), cases[i].path);
  EXPECT_EQ(devices.PathAt(std::size(cases)), L"");
}

TEST_F(UsbDevicesTest, OnlyWholeDevicesInBusOrderAndUnpluggedOnesGo) {
  const auto second = bed_.AddDevice("2-1", "054c", "0381", "GO");
  bed_.AddOther("1-1:1.0", "usb_interface", "054c", "01c8");
  bed_.AddDevice("1-1", "046d", "c52b", "MOUSE");
  const auto devices = plat::UsbDevices::Present();
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices.PathAt(0), L"\\\\?\\usb#vid_046d&pid_c52b#MOUSE" + kSuffix);
  EXPECT_EQ(devices.PathAt(1), L"\\\\?\\usb#vid_054c&pid_0381#GO" + kSuffix);
  // The same order on every snapshot.
  EXPECT_EQ(plat::UsbDevices::Present().PathAt(0), devices.PathAt(0));

  bed_.Remove(second);
  const auto after = plat::UsbDevices::Present();
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after.PathAt(0), devices.PathAt(0));
}

}  // namespace
