#include "tools/settings_publisher.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include "online/downloader.h"
#include "online/online_settings.h"
#include "platform/core/wide_text.h"
#include "platform/crypto/sha256.h"

namespace {

// What a value may not hold: a line break would start a key of its own.
bool FitsOnItsLine(const std::string& value) {
  return !value.empty() && std::none_of(value.begin(), value.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  });
}

bool IsPlainAddress(const std::string& url) {
  const bool web = url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
  return web && FitsOnItsLine(url) && url.find_first_of(" #") == std::string::npos;
}

std::string Hex(const plat::Sha256Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const std::uint8_t byte : digest) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xF];
  }
  return hex;
}

// The digest of a package file after its magic is checked; error says why not.
std::optional<plat::Sha256Digest> DigestOfPackage(const std::string& file, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = "cannot read " + file + ": " + std::strerror(errno);
    return std::nullopt;
  }
  char head[sizeof kPackageMagic] = {};
  in.read(head, sizeof head);
  if (in.gcount() != sizeof head || std::memcmp(head, kPackageMagic, sizeof head) != 0) {
    error = file + " is not a PSP package: it does not begin with the PBP magic 00 50 42 50";
    return std::nullopt;
  }
  plat::Sha256 digest;
  digest.Update(head, sizeof head);
  char block[1 << 16];
  while (in.read(block, sizeof block) || in.gcount() > 0) {
    digest.Update(block, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) {
    error = "cannot read " + file + ": " + std::strerror(errno);
    return std::nullopt;
  }
  auto result = digest.Finish();
  if (!result) error = "cannot compute the SHA-256 digest of " + file;
  return result;
}

}  // namespace

PublishedDocument ComposeSettingsDocument(const SettingsToPublish& settings) {
  if (!FitsOnItsLine(settings.currentVersion)) {
    return {"", "the current version is empty or breaks its line"};
  }
  if (!IsPlainAddress(settings.supportUrl)) {
    return {"", "the support address is not an http or https address: " + settings.supportUrl};
  }
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<result>\n";
  text += "CURRENT_VERSION = " + settings.currentVersion + "\n";
  text += "CUSTOMER_SUPPORT_URL = " + settings.supportUrl + "\n";
  // The download keys in the wizard's own order: each _ML key before the
  // key its name begins with.
  for (const wchar_t* key : kSettingsKeys) {
    if (std::wstring_view(key).rfind(L"DEMO_FILE_DOWNLOAD_", 0) != 0) continue;
    const std::string name = plat::EncodeUtf8(key);
    const auto given = std::count_if(settings.packages.begin(), settings.packages.end(),
                                     [&](const PublishedPackage& p) { return p.key == key; });
    if (given != 1) return {"", name + (given ? " is given twice" : " is missing")};
    const PublishedPackage& package =
        *std::find_if(settings.packages.begin(), settings.packages.end(),
                      [&](const PublishedPackage& p) { return p.key == key; });
    if (!IsPlainAddress(package.url)) {
      return {"", "the address of " + name +
                      " is not an http or https address without a fragment: " + package.url};
    }
    std::string error;
    const auto digest = DigestOfPackage(package.file, error);
    if (!digest) return {"", error};
    text += name + " = " + package.url + "#sha256=" + Hex(*digest) + "\n";
  }
  if (settings.packages.size() != 4) {
    return {"", "a package is given for a key the wizard does not read"};
  }
  return {text + "</result>\n", ""};
}
