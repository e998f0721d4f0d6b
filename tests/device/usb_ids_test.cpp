#include <gtest/gtest.h>

#include <string>

#include "device/psp_locator.h"
#include "platform/core/wide_text.h"

namespace {

// Device interface paths as SetupAPI spells them, the serial part being the
// device's serial number or, without one, the instance id Windows makes up.
TEST(ParseUsbIds, ReadsDevicePathsAsWindowsListsThem) {
  const struct {
    const wchar_t* path;
    bool ok;
    unsigned vendor, product;
  } cases[] = {
      {L"\\\\?\\usb#vid_054c&pid_01c8#5&2c9c6e1a&0&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", true,
       0x054C, 0x01C8},
      {L"\\\\?\\usb#vid_054c&pid_02d2#5&1f2a3b4c&0&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", true,
       0x054C, 0x02D2},
      {L"\\\\?\\usb#vid_054c&pid_0381#0123456789ab#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", true,
       0x054C, 0x0381},
      {L"\\\\?\\usb#vid_0781&pid_5567#4c530001231115107311#{a5dcbf10-6530-11d2-901f-00c04fb951ed}",
       true, 0x0781, 0x5567},
      {L"\\\\?\\usb#vid_045e&pid_0745&mi_00#7&3a1b2c3d&0&0000#{a5dcbf10-6530-11d2-901f-"
       L"00c04fb951ed}",
       true, 0x045E, 0x0745},
      // A root hub names no ids.
      {L"\\\\?\\usb#root_hub30#4&1b2c3d4e&0&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(plat::EncodeUtf8(c.path));
    unsigned vendor = 99, product = 99;
    EXPECT_EQ(CPSPLocator::ParseUsbIds(c.path, vendor, product), c.ok);
    EXPECT_EQ(vendor, c.vendor);
    EXPECT_EQ(product, c.product);
  }
}

}  // namespace
