#include "app/language_table.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "app/app_folders.h"
#include "platform/fs/files.h"
#include "platform/fs/program_data.h"

namespace {

struct LanguageInfo {
  const wchar_t* fileName;
  unsigned char stickByte;
};

constexpr std::array<LanguageInfo, kLanguageCount> kLanguages = {{
    {L"dat/EnglishStrings.dat", 0},
    {L"dat/FrenchStrings.dat", 2},
    {L"dat/GermanStrings.dat", 4},
    {L"dat/SpanishStrings.dat", 3},
    {L"dat/JapaneseStrings.dat", 1},
    {L"dat/ItalianStrings.dat", 5},
    {L"dat/ChineseStrings.dat", 1},
}};

// Table files are some kilobytes; anything far larger is not one.
constexpr std::size_t kMaxTableBytes = 16u << 20;

std::atomic<const LanguageTable*> gCurrentTable{nullptr};

bool IsLanguage(int index) {
  return index >= 0 && index < kLanguageCount;
}

}  // namespace

const wchar_t* LanguageFileName(int languageIndex) {
  return IsLanguage(languageIndex) ? kLanguages[languageIndex].fileName : nullptr;
}

unsigned char LanguageByte(int languageIndex) {
  return IsLanguage(languageIndex) ? kLanguages[languageIndex].stickByte : 0;
}

LanguageTable::LanguageTable(std::string_view bytes) {
  chars_.reserve(bytes.size() / 2 + 1);
  auto unit = [&](std::size_t i) -> std::uint32_t {
    return static_cast<unsigned char>(bytes[2 * i]) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8);
  };
  const std::size_t units = bytes.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units) {
      const std::uint32_t low = unit(i + 1);
      if (low >= 0xDC00 && low < 0xE000) {
        chars_.push_back(static_cast<wchar_t>(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00)));
        ++i;
        continue;
      }
    }
    chars_.push_back(static_cast<wchar_t>(c));
  }
  chars_.push_back(0);
}

const wchar_t* LanguageTable::Find(std::string_view key) const {
  // Every read goes through these two, which answer 0 past the end, so a
  // table cut short or without its final empty key ends the scan there.
  const std::size_t n = size();
  auto at = [&](std::size_t i) -> std::uint32_t {
    return i < n ? static_cast<std::uint32_t>(chars_[i]) : 0;
  };
  auto keyAt = [&](std::size_t i) -> std::uint32_t {
    return i < key.size() ? static_cast<unsigned char>(key[i]) : 0;
  };
  auto skipEntry = [&](std::size_t p) {
    while (at(p) != 0) ++p;
    ++p;
    while (at(p) != 0) ++p;
    return p + 1;
  };

  if (at(0) == 0) return nullptr;
  std::size_t p = 0;
  while (at(p) != 0) {
    while (at(p + 2) != keyAt(2) && at(p) != 0) p = skipEntry(p);
    if (at(p) == 0) break;
    std::size_t i = 2;
    while (at(p + i) == keyAt(i) && at(p + i) != 0) ++i;
    if (at(p + i) == 0 && keyAt(i) == 0) {
      // A key that ends with the file has an empty value: the kept 0.
      return chars_.data() + std::min(p + i + 1, n);
    }
    p = skipEntry(p);
  }
  return nullptr;
}

std::unique_ptr<LanguageTable> ReadTableFile(const std::wstring& fileName) {
  std::vector<unsigned char> bytes;
  if (!plat::ReadProgramData(g_programFolder + L"/" + fileName, bytes, kMaxTableBytes))
    return nullptr;
  return std::make_unique<LanguageTable>(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

const LanguageTable* CurrentLanguageTable() {
  return gCurrentTable.load();
}

void SetCurrentLanguageTable(const LanguageTable* table) {
  gCurrentTable.store(table);
}

const wchar_t* LookupString(const char* key) {
  const LanguageTable* table = gCurrentTable.load();
  if (table == nullptr || key == nullptr) return nullptr;
  return table->Find(key);
}

std::wstring TextOfKey(const char* key) {
  const wchar_t* text = LookupString(key);
  return text ? std::wstring(text) : std::wstring();
}

LanguageTables::~LanguageTables() {
  for (const auto& table : cache_) {
    const LanguageTable* expected = table.get();
    if (expected != nullptr) gCurrentTable.compare_exchange_strong(expected, nullptr);
  }
}

bool LanguageTables::Load(int& languageIndex) {
  SetCurrentLanguageTable(nullptr);
  if (!IsLanguage(languageIndex)) languageIndex = LANGUAGE_ENGLISH;
  // The asked language, then 0..5 in turn: every table that could replace it.
  for (int attempt = 0; attempt < kLanguageCount; ++attempt) {
    auto& slot = cache_[languageIndex];
    if (!slot) slot = ReadTableFile(kLanguages[languageIndex].fileName);
    if (slot) {
      SetCurrentLanguageTable(slot.get());
      return true;
    }
    languageIndex = languageIndex + 1 > LANGUAGE_ITALIAN ? LANGUAGE_ENGLISH : languageIndex + 1;
  }
  return false;
}

bool WriteLanguageByte(const std::wstring& path, int languageIndex) {
  const unsigned char byte = LanguageByte(languageIndex);
  return plat::WriteFileSafely(path, &byte, 1);
}
