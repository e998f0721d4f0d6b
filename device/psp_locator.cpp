#include "device/psp_locator.h"

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "device/stick_layout.h"
#include "platform/fs/drive_table.h"
#include "platform/fs/files.h"
#include "platform/usb/usb_devices.h"

namespace {

constexpr unsigned kSonyVendorId = 0x054C;
constexpr unsigned kPspGoProductId = 0x0381;
constexpr unsigned kPspProductIds[] = {0x01C8, 0x02D2, kPspGoProductId};
constexpr int kDevicePathCapacity = 1000;
constexpr int kRecheckPeriod = 3;
// A candidate's total must be below 17 * 2^32 bytes (68 GiB).
constexpr std::uint64_t kCandidateHighWordLimit = 16;
// The write test fails from 81 * 2^28 bytes (20.25 GiB) up.
constexpr std::uint64_t kWriteTestUnit = std::uint64_t{1} << 28;
constexpr std::uint64_t kWriteTestUnitLimit = 80;

// Shared by every locator of the process.
std::atomic<int> g_usbLookupDepth{0};
std::atomic<int> g_driveTestsInProgress{0};

bool IsDriveLetter(wchar_t letter) {
  return (letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z');
}

// Counts one call as under way for as long as it lives.
class DepthGuard {
 public:
  explicit DepthGuard(std::atomic<int>& depth) : depth_(depth), first_(++depth_ == 1) {}
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  bool first() const { return first_; }

 private:
  std::atomic<int>& depth_;
  bool first_;
};

// The index-th device path into buffer: at most capacity - 1 characters and a
// terminator; empty past the end.
void CopyDevicePath(const plat::UsbDevices& devices, std::size_t index, wchar_t* buffer,
                    int capacity) {
  const std::wstring path = devices.PathAt(index);
  const std::size_t count = std::min(path.size(), static_cast<std::size_t>(capacity - 1));
  std::copy_n(path.begin(), count, buffer);
  buffer[count] = 0;
}

// A device path of a PSP: Sony's vendor id and a PSP product id.
bool IsPspPath(std::wstring_view path, unsigned& product) {
  unsigned vendor = 0;
  return CPSPLocator::ParseUsbIds(path, vendor, product) && vendor == kSonyVendorId &&
         std::find(std::begin(kPspProductIds), std::end(kPspProductIds), product) !=
             std::end(kPspProductIds);
}

}  // namespace

bool CPSPLocator::IsIdle() const {
  return m_pollDepth == 0 && g_driveTestsInProgress == 0;
}

int CPSPLocator::Poll() {
  DepthGuard depth(m_pollDepth);
  if (!depth.first()) return 0;

  const int state = m_state;
  if (state == PSP_STATE_SEARCHING || state == PSP_STATE_NOT_FOUND) {
    if (FindPspUsbDevice() != 0) {
      m_state = PSP_STATE_NOT_FOUND;
    } else {
      std::vector<wchar_t> candidates;
      for (wchar_t letter = L'Z'; letter >= L'D'; --letter) {
        m_currentLetter = letter;
        if (TestCandidateDrive(letter) == 0) candidates.push_back(letter);
      }
      m_currentLetter = L'C';
      if (!candidates.empty()) {
        // The lowest letter with a PSP folder, else the highest candidate.
        // The PSP's own drives, where udev can tell them, before all others.
        const std::vector<wchar_t> own = DrivesOnPsp(candidates);
        const std::vector<wchar_t>& pool = own.empty() ? candidates : own;
        wchar_t choice = pool.front();
        for (wchar_t letter : pool) {
          if (HasPspFolder(letter)) choice = letter;
        }
        m_currentLetter = choice;
        TestCandidateDrive(choice);  // so that the sizes are the chosen drive's
        m_state = PSP_STATE_FOUND;
        m_lastFoundLetter = static_cast<char>(choice);
        m_recheckCountdown = kRecheckPeriod;
      }
    }
  }

  if (m_state != PSP_STATE_FOUND || m_currentLetter != static_cast<wchar_t>(m_lastFoundLetter)) {
    m_currentLetter = static_cast<wchar_t>(m_lastFoundLetter);
    m_state = WriteTestDrive(m_currentLetter) == 0 ? PSP_STATE_FOUND : PSP_STATE_NOT_FOUND;
  }

  if (m_state == PSP_STATE_FOUND && --m_recheckCountdown <= 0) {
    if (FindPspUsbDevice() != 0) m_state = PSP_STATE_SEARCHING;
    m_recheckCountdown = kRecheckPeriod;
  }
  return 0;
}

int CPSPLocator::QueryDriveSpace(wchar_t letter, std::uint64_t* totalBytes,
                                 std::uint64_t* freeBytes) {
  if (!IsDriveLetter(letter)) return -1;
  const auto space = plat::QueryDiskSpace(StickPath(letter, kStickRoot));
  if (!space) return -1;
  if (totalBytes != nullptr) *totalBytes = space->totalBytes;
  if (freeBytes != nullptr) *freeBytes = space->totalFreeBytes;
  return 0;
}

int CPSPLocator::FindPspUsbDevice() {
  DepthGuard depth(g_usbLookupDepth);
  if (!depth.first()) return -1;
  // One snapshot serves the whole walk; listing the bus again for every index
  // would make a poll quadratic in the number of devices.
  const auto devices = plat::UsbDevices::Present();
  wchar_t path[kDevicePathCapacity];
  for (std::size_t index = 0;; ++index) {
    CopyDevicePath(devices, index, path, kDevicePathCapacity);
    if (path[0] == 0) {
      m_pspOnUsb = false;
      return -1;
    }
    unsigned product = 0;
    if (IsPspPath(path, product)) {
      m_isPspGo = product == kPspGoProductId;
      m_pspOnUsb = true;
      return 0;
    }
  }
}

std::vector<wchar_t> CPSPLocator::DrivesOnPsp(const std::vector<wchar_t>& candidates) {
  std::vector<wchar_t> own;
  const plat::DriveTable drives = plat::DriveTable::Current();
  for (wchar_t letter : candidates) {
    const plat::DriveTable::Drive* drive = drives.Find(letter);
    if (drive == nullptr || !drive->device) continue;  // SWAYMO_DRIVES: udev cannot tell
    unsigned product = 0;
    if (IsPspPath(plat::UsbPathOfBlockDevice(*drive->device), product)) own.push_back(letter);
  }
  return own;
}

int CPSPLocator::GetUsbInterfacePath(std::wstring_view interfaceClass, int index, wchar_t* buffer,
                                     int capacity) {
  if (!buffer || capacity <= 0) return 0;
  buffer[0] = 0;
  const auto devices = plat::UsbDevices::Present();
  if (!devices.listed()) return 1;
  // Only the USB device class is listed; any other class has no members here.
  const std::wstring_view usbClass = plat::kUsbDeviceInterfaceClass;
  const bool usb =
      std::equal(interfaceClass.begin(), interfaceClass.end(), usbClass.begin(), usbClass.end(),
                 [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
  if (usb && index >= 0) CopyDevicePath(devices, static_cast<std::size_t>(index), buffer, capacity);
  return 0;
}

int CPSPLocator::TestCandidateDrive(wchar_t letter) {
  if (!IsDriveLetter(letter)) return -1;
  DepthGuard busy(g_driveTestsInProgress);
  m_freeBytes = 0;
  const auto space = plat::QueryDiskSpace(StickPath(letter, kStickRoot));
  if (!space) {
    RecordSizes(0, 0);
    return -1;
  }
  RecordSizes(space->totalBytes, space->totalFreeBytes);
  if (space->totalFreeBytes > space->totalBytes ||
      (space->totalBytes >> 32) > kCandidateHighWordLimit) {
    m_freeBytes = 0;
    return -1;
  }
  return 0;
}

bool CPSPLocator::HasPspFolder(wchar_t letter) {
  bool found = false;
  for (const auto& entry : plat::ListFolder(StickPath(letter, kStickRoot))) {
    if (entry.kind != plat::EntryKind::kFolder) continue;
    if (entry.name == kStickPspFolder) return true;
    if (entry.name == kStickMpRootFolder) found = true;
  }
  return found;
}

int CPSPLocator::WriteTestDrive(wchar_t letter) {
  if (!IsDriveLetter(letter)) return -1;
  const std::wstring testFile = StickPath(letter, kStickWriteTestFile);
  if (!plat::WriteFileSafely(testFile, nullptr, 0)) return -1;
  plat::RemoveFile(testFile);
  m_freeBytes = 0;
  const auto space = plat::QueryDiskSpace(StickPath(letter, kStickRoot));
  if (!space) return 0;
  RecordSizes(space->totalBytes, space->totalFreeBytes);
  if (space->totalBytes > 0 && space->totalBytes / kWriteTestUnit > kWriteTestUnitLimit) {
    m_freeBytes = 0;
    return -1;
  }
  return 0;
}

void CPSPLocator::RecordSizes(std::uint64_t total, std::uint64_t free) {
  m_totalBytes = total;
  m_freeBytes = free;
}
