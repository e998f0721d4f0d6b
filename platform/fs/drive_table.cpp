#include "platform/fs/drive_table.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
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

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const std::filesystem::path& p) {
  struct stat st;
  return lstat(p.c_str(), &st) == 0;
}

// The entry of folder whose name equals name ignoring case (the first in
// byte order when several do); empty when there is none.
std::string FindIgnoringCase(const std::filesystem::path& folder, std::wstring_view name) {
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "." : folder.c_str()),
                                                &closedir);
  if (!dir) return {};
  std::string best;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    if (EqualsIgnoringCase(DecodeUtf8(candidate), name) && (best.empty() || candidate < best)) {
      best = candidate;
    }
  }
  return best;
}

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

DriveTable DriveTable::FromMountInfo(std::string_view mountinfo) {
  std::set<std::string> mountPoints;  // ordered, each once
  std::istringstream lines{std::string(mountinfo)};
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string field;
    for (int i = 0; i < 5 && fields >> field; ++i) {
    }
    if (!fields) continue;
    std::string mountPoint = UnescapeMountPoint(field);
    if (IsRemovableMediaMount(mountPoint)) mountPoints.insert(std::move(mountPoint));
  }
  DriveTable table;
  wchar_t letter = kFirstDiscoveredLetter;
  for (const auto& mountPoint : mountPoints) {
    if (letter > L'Z') break;
    table.drives_[letter++] = Drive{mountPoint, std::nullopt};
  }
  return table;
}

DriveTable DriveTable::Current() {
  if (const char* spec = std::getenv("SWAYMO_DRIVES")) return FromSpec(spec);
  return FromMountInfo(ReadFile("/proc/self/mountinfo"));
}

const DriveTable::Drive* DriveTable::Find(wchar_t letter) const {
  if (letter >= L'a' && letter <= L'z') letter = static_cast<wchar_t>(letter - L'a' + L'A');
  const auto it = drives_.find(letter);
  return it == drives_.end() ? nullptr : &it->second;
}

std::optional<std::filesystem::path> ToNativePath(std::wstring_view path) {
  return ToNativePath(path, DriveTable::Current());
}

std::optional<std::filesystem::path> ToNativePath(std::wstring_view path,
                                                  const DriveTable& drives) {
  if (path.empty()) return std::nullopt;
  std::filesystem::path base;
  const bool hasLetter =
      path.size() >= 2 && path[1] == L':' &&
      ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
  if (hasLetter) {
    const DriveTable::Drive* drive = drives.Find(path[0]);
    if (drive == nullptr) return std::nullopt;
    base = drive->root;
    path.remove_prefix(2);
  } else if (path[0] == L'\\' || path[0] == L'/') {
    base = "/";
  }

  std::vector<std::wstring_view> parts;
  while (!path.empty()) {
    const std::size_t sep = path.find_first_of(L"\\/");
    if (sep != 0) parts.push_back(path.substr(0, sep));
    path = sep == std::wstring_view::npos ? std::wstring_view{} : path.substr(sep + 1);
  }

  std::filesystem::path exact = base;
  for (auto part : parts) exact /= EncodeUtf8(part);
  if (exact.empty()) return std::filesystem::path(".");
  if (Exists(exact)) return exact;

  // Walk down, matching each missing component ignoring case, as FAT does.
  std::filesystem::path resolved = base;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string name = EncodeUtf8(parts[i]);
    if (name == "." || name == ".." || Exists(resolved / name)) {
      resolved /= name;
      continue;
    }
    const std::string match = FindIgnoringCase(resolved, parts[i]);
    if (match.empty()) {
      for (std::size_t k = i; k < parts.size(); ++k) resolved /= EncodeUtf8(parts[k]);
      break;
    }
    resolved /= match;
  }
  return resolved;
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
