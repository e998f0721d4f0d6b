// swaymo-publish-settings: writes the settings document for the four package
// files a publisher is about to serve. Each download address gets the
// package's SHA-256 digest as "#sha256=<hex>"; every package must begin with
// the PBP magic.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/settings_publisher.h"

namespace {

constexpr const char* kUsage =
    "usage: swaymo-publish-settings --current-version NAME --support-url URL\n"
    "         --ml FILE URL --go-ml FILE URL --jp FILE URL --go-jp FILE URL\n"
    "         [--output DOCUMENT]\n"
    "  --ml     multi-language package, PSP      (DEMO_FILE_DOWNLOAD_URL_ML)\n"
    "  --go-ml  multi-language package, PSP Go   (DEMO_FILE_DOWNLOAD_PSPGO_URL_ML)\n"
    "  --jp     Japanese package, PSP            (DEMO_FILE_DOWNLOAD_URL)\n"
    "  --go-jp  Japanese package, PSP Go         (DEMO_FILE_DOWNLOAD_PSPGO_URL)\n"
    "The document goes to standard output unless --output names a file.\n";

const wchar_t* KeyOfOption(const std::string& option) {
  if (option == "--ml") return L"DEMO_FILE_DOWNLOAD_URL_ML";
  if (option == "--go-ml") return L"DEMO_FILE_DOWNLOAD_PSPGO_URL_ML";
  if (option == "--jp") return L"DEMO_FILE_DOWNLOAD_URL";
  if (option == "--go-jp") return L"DEMO_FILE_DOWNLOAD_PSPGO_URL";
  return nullptr;
}

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

// The whole document or nothing: written beside the target, then renamed.
bool WriteDocument(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) return false;
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) std::filesystem::remove(temporary, error);
  return !error;
}

}  // namespace

int main(int argc, char** argv) {
  SettingsToPublish settings;
  std::string output;
  bool versionGiven = false, supportGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const int values = KeyOfOption(option) ? 2 : 1;
    if (i + values >= argc) return Usage();
    if (option == "--current-version") {
      settings.currentVersion = argv[++i];
      versionGiven = true;
    } else if (option == "--support-url") {
      settings.supportUrl = argv[++i];
      supportGiven = true;
    } else if (option == "--output") {
      output = argv[++i];
    } else if (const wchar_t* key = KeyOfOption(option)) {
      settings.packages.push_back({key, argv[i + 1], argv[i + 2]});
      i += 2;
    } else {
      return Usage();
    }
  }
  if (!versionGiven || !supportGiven || settings.packages.empty()) return Usage();

  const PublishedDocument document = ComposeSettingsDocument(settings);
  if (!document.error.empty()) {
    std::fprintf(stderr, "swaymo-publish-settings: %s\n", document.error.c_str());
    return 1;
  }
  if (output.empty()) {
    std::fputs(document.text.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (!WriteDocument(output, document.text)) {
    std::fprintf(stderr, "swaymo-publish-settings: cannot write %s: %s\n", output.c_str(),
                 std::strerror(errno));
    return 1;
  }
  return 0;
}
