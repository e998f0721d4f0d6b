#pragma once
// Finds the drive letter of the memory stick of a PSP connected by USB: a PSP
// among the USB devices, then a drive from Z down to D of a stick's size. The
// PSP's own drive comes first where udev can tell which one it is (its block
// device sits on the PSP's USB device); then one with a PSP or mp_root folder
// at its root.
#include <atomic>
#include <cstdint>
#include <string_view>
#include <vector>

enum PspSearchState {
  PSP_STATE_SEARCHING = 0,  // nothing known yet, or the PSP left USB
  PSP_STATE_FOUND = 2,      // GetDriveLetter is the PSP's drive
  PSP_STATE_NOT_FOUND = 5,  // the last search failed
};

// Poll and the internal operations run on one worker thread; the getters and
// QueryDriveSpace may be called from any thread (QueryDriveSpace asks the
// drive's file system, which may take long: never on the window's thread).
class CPSPLocator {
 public:
  CPSPLocator() = default;
  CPSPLocator(const CPSPLocator&) = delete;
  CPSPLocator& operator=(const CPSPLocator&) = delete;

  // One detection round; always 0.
  int Poll();

  bool IsFound() const { return m_state == PSP_STATE_FOUND; }
  // No poll and no drive test under way.
  bool IsIdle() const;
  int GetStatus() const { return m_state; }
  wchar_t GetDriveLetter() const { return m_currentLetter; }
  std::uint64_t GetTotalBytes() const { return IsFound() ? m_totalBytes.load() : 0; }
  std::uint64_t GetFreeBytes() const { return IsFound() ? m_freeBytes.load() : 0; }
  bool IsPspGo() const { return m_isPspGo; }
  // The last look at the USB devices found a PSP.
  bool IsPspOnUsb() const { return m_pspOnUsb; }

  // 0 with the total and free bytes of the drive of letter (either pointer
  // may be null), or -1 when its file system does not answer. The found
  // drive's sizes, state and letter stay as they are.
  static int QueryDriveSpace(wchar_t letter, std::uint64_t* totalBytes = nullptr,
                             std::uint64_t* freeBytes = nullptr);

  // The device path of the index-th present device of the interface class
  // into buffer (at most capacity - 1 characters and a terminator), empty
  // past the last one. 1 when the devices cannot be listed, else 0.
  static int GetUsbInterfacePath(std::wstring_view interfaceClass, int index, wchar_t* buffer,
                                 int capacity);
  // Vendor and product ids after the exact tags "vid_" and "pid_" of a device
  // path, as hexadecimal runs. False when a tag is missing.
  static bool ParseUsbIds(std::wstring_view path, unsigned& vendorId, unsigned& productId);

 private:
  int FindPspUsbDevice();
  int TestCandidateDrive(wchar_t letter);
  static bool HasPspFolder(wchar_t letter);
  // The candidates whose block device sits on a PSP on USB, in their order.
  static std::vector<wchar_t> DrivesOnPsp(const std::vector<wchar_t>& candidates);
  int WriteTestDrive(wchar_t letter);
  void RecordSizes(std::uint64_t total, std::uint64_t free);

  std::atomic<bool> m_isPspGo{false};
  std::atomic<bool> m_pspOnUsb{false};
  std::atomic<int> m_state{PSP_STATE_SEARCHING};
  std::atomic<int> m_pollDepth{0};
  std::atomic<wchar_t> m_currentLetter{0};
  int m_recheckCountdown = 3;
  std::atomic<std::uint64_t> m_totalBytes{0};
  std::atomic<std::uint64_t> m_freeBytes{0};
  // The letter the last search accepted; 0 until then.
  char m_lastFoundLetter = 0;
};
