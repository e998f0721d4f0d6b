#include "platform/fs/drive_table.h"

#include <pwd.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/core/wide_text.h"

namespace plat {
namespace {

constexpr wchar_t kFirstDiscoveredLetter = L'D';

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// "123", "2G", "512M", "4KiB", "1GB": bytes, with binary multiples.
std::optional<std::uint64_t> ParseSize(std::string_view text) {
  std::size_t i = 0;
  std::uint64_t value = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
    ++i;
  }
  if (i == 0) return std::nullopt;
  std::string unit;
  for (char c : text.substr(i))
    unit += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const std::pair<const char*, unsigned> kUnits[] = {{"", 0},   {"B", 0},  {"K", 10},
                                                            {"M", 20}, {"G", 30}, {"T", 40}};
  for (const auto& [name, shift] : kUnits) {
    const std::string n = name;
    if (unit == n || (shift > 0 && (unit == n + "B" || unit == n + "IB"))) {
      if (shift > 0 && value > (UINT64_MAX >> shift)) return std::nullopt;
      return value << shift;
    }
  }
  return std::nullopt;
}

// Mount points in mountinfo escape blanks and backslashes as \ooo.
std::string UnescapeMountPoint(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string_view digits = field.substr(i + 1, 3);
      if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        out +=
            static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0'));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

bool IsRemovableMediaMount(std::string_view mountPoint) {
  for (std::string_view prefix : {"/media/", "/run/media/", "/mnt/"}) {
    if (mountPoint.size() > prefix.size() && mountPoint.substr(0, prefix.size()) == prefix) {
      return true;
    }
  }
  return false;
}

// The memory stick is FAT; nothing else can be it.
bool IsFatFileSystem(std::string_view type) {
  return type == "vfat" || type == "msdos" || type == "fuse.fusefat";
}

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// "8:17" as a device number.
std::optional<std::uint64_t> ParseDeviceNumber(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  unsigned major = 0, minor = 0;
  const auto [endMajor, errMajor] = std::from_chars(text.data(), text.data() + colon, major);
  const auto [endMinor, errMinor] =
      std::from_chars(text.data() + colon + 1, text.data() + text.size(), minor);
  if (errMajor != std::errc{} || errMinor != std::errc{} || endMajor != text.data() + colon ||
      endMinor != text.data() + text.size()) {
    return std::nullopt;
  }
  return makedev(major, minor);
}

struct Mount {
  std::string mountPoint;
  std::string root;  // the part of the file system mounted: "/" unless a bind mount
  std::string type;
  std::optional<std::uint64_t> device;
};

// One mountinfo line: id, parent, major:minor, root, mount point, options,
// optional fields up to "-", then the file system type.
std::optional<Mount> ParseMountLine(const std::string& line) {
  std::istringstream fields(line);
  std::string id, parent, device, root, mountPoint, options;
  if (!(fields >> id >> parent >> device >> root >> mountPoint >> options)) return std::nullopt;
  std::string field;
  while (fields >> field && field != "-") {
  }
  Mount mount;
  if (field != "-" || !(fields >> mount.type)) return std::nullopt;
  mount.mountPoint = UnescapeMountPoint(mountPoint);
  mount.root = UnescapeMountPoint(root);
  mount.device = ParseDeviceNumber(device);
  return mount;
}

std::mutex g_tableMutex;
std::function<std::string()> g_mountTableSource;  // guarded by g_tableMutex
DriveTable g_lastTable;                           // the letters given so far

std::wstring NativeToWide(const std::filesystem::path& p) {
  return DecodeUtf8(p.native());
}

}  // namespace

DriveTable DriveTable::FromSpec(std::string_view spec) {
  DriveTable table;
  while (!spec.empty()) {
    const std::size_t comma = spec.find(',');
    const std::string_view item = spec.substr(0, comma);
    spec = comma == std::string_view::npos ? std::string_view{} : spec.substr(comma + 1);
    const std::size_t equals = item.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view name = Trim(item.substr(0, equals));
    std::string_view root = Trim(item.substr(equals + 1));
    if (name.size() != 1 || !std::isalpha(static_cast<unsigned char>(name[0]))) continue;
    Drive drive;
    if (const std::size_t colon = root.rfind(':'); colon != std::string_view::npos) {
      if (auto cap = ParseSize(root.substr(colon + 1))) {
        drive.capBytes = cap;
        root = root.substr(0, colon);
      }
    }
    if (root.empty()) continue;
    drive.root = std::string(root);
    const auto letter = static_cast<wchar_t>(std::toupper(static_cast<unsigned char>(name[0])));
    table.drives_[letter] = std::move(drive);
  }
  return table;
}

DriveTable DriveTable::FromMountInfo(std::string_view mountinfo, const DriveTable& previous) {
  // A mount point mounted over again shows the last mount made there.
  std::map<std::string, Mount> top;  // by mount point, ordered
  std::istringstream lines{std::string(mountinfo)};
  for (std::string line; std::getline(lines, line);) {
    auto mount = ParseMountLine(line);
    if (mount && IsRemovableMediaMount(mount->mountPoint)) {
      top[mount->mountPoint] = std::move(*mount);
    }
  }
  DriveTable table;
  std::vector<const Mount*> fresh;
  for (const auto& [mountPoint, mount] : top) {
    if (!IsFatFileSystem(mount.type) || mount.root != "/") continue;
    const auto kept = std::find_if(
        previous.drives_.begin(), previous.drives_.end(), [&mount = mount](const auto& entry) {
          return entry.second.root == mount.mountPoint && entry.second.device == mount.device;
        });
    if (kept != previous.drives_.end()) {
      table.drives_[kept->first] = kept->second;
    } else {
      fresh.push_back(&mount);
    }
  }
  wchar_t letter = kFirstDiscoveredLetter;
  for (const Mount* mount : fresh) {
    while (letter <= L'Z' && table.drives_.count(letter) != 0) ++letter;
    if (letter > L'Z') break;
    table.drives_[letter] = Drive{mount->mountPoint, std::nullopt, mount->device};
  }
  return table;
}

DriveTable DriveTable::Current() {
  if (const char* spec = std::getenv("SWAYMO_DRIVES")) return FromSpec(spec);
  std::lock_guard lock(g_tableMutex);
  const std::string text =
      g_mountTableSource ? g_mountTableSource() : ReadFile("/proc/self/mountinfo");
  g_lastTable = FromMountInfo(text, g_lastTable);
  return g_lastTable;
}

void SetMountTableSource(std::function<std::string()> source) {
  std::lock_guard lock(g_tableMutex);
  g_mountTableSource = std::move(source);
  g_lastTable = DriveTable{};
}

const DriveTable::Drive* DriveTable::Find(wchar_t letter) const {
  if (letter >= L'a' && letter <= L'z') letter = static_cast<wchar_t>(letter - L'a' + L'A');
  const auto it = drives_.find(letter);
  return it == drives_.end() ? nullptr : &it->second;
}

std::wstring ProgramFolder() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error && exe.has_parent_path()) return NativeToWide(exe.parent_path());
  const auto cwd = std::filesystem::current_path(error);
  return error ? std::wstring() : NativeToWide(cwd);
}

std::wstring AppDataFolder() {
  std::filesystem::path folder;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') {
    folder = config;
  } else {
    const char* home = std::getenv("HOME");
    std::string homeFolder = home != nullptr ? home : "";
    if (homeFolder.empty()) {
      passwd entry;
      passwd* found = nullptr;
      std::vector<char> buffer(16384);
      if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
        homeFolder = found->pw_dir;
      }
    }
    if (homeFolder.empty()) return {};
    folder = std::filesystem::path(homeFolder) / ".config";
  }
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    if (std::filesystem::create_directories(folder, error)) {
      std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
    }
    if (!std::filesystem::is_directory(folder, error)) return {};
  }
  std::string text = folder.lexically_normal().native();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return DecodeUtf8(text);
}

}  // namespace plat
