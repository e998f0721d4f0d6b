#pragma once
// The settings document a publisher serves: the newest wizard's name, the
// support page, and each package's address with the package's digest
// ("#sha256=<hex>"), so that the wizard installs only those very files.
#include <string>
#include <vector>

struct PublishedPackage {
  std::wstring key;  // one of the four download keys
  std::string file;  // the package on this machine
  std::string url;   // the address it will be served from
};

struct SettingsToPublish {
  std::string currentVersion;
  std::string supportUrl;
  std::vector<PublishedPackage> packages;  // each download key once
};

// The document, or an empty document and the reason: a missing or unreadable
// file, a file that is no PSP package (no PBP magic), an address that is not
// http(s) or would break its line, a download key missing or given twice.
struct PublishedDocument {
  std::string text;
  std::string error;
};
PublishedDocument ComposeSettingsDocument(const SettingsToPublish& settings);
