#pragma once
// The language string tables: one file per interface language of UTF-16LE
// key/value pairs, each ended by a 0 character, the table by an empty key.
// Loading with fallback to the next language, the lookup of a key in the
// current table, and the language byte written to the memory stick.
#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum LanguageIndex : int {
  LANGUAGE_ENGLISH = 0,
  LANGUAGE_FRENCH = 1,
  LANGUAGE_GERMAN = 2,
  LANGUAGE_SPANISH = 3,
  LANGUAGE_JAPANESE = 4,
  LANGUAGE_ITALIAN = 5,
  LANGUAGE_CHINESE = 6,
};
constexpr int kLanguageCount = 7;

// "dat/EnglishStrings.dat" and so on; null outside 0..6.
const wchar_t* LanguageFileName(int languageIndex);
// The byte that names the language on the memory stick; 0 outside 0..6.
unsigned char LanguageByte(int languageIndex);

// One table file's characters in one block (surrogate pairs joined). A 0 is
// kept after the file's own characters, so a value always ends even when the
// file is cut short.
class LanguageTable {
 public:
  // Decodes UTF-16LE bytes; an odd last byte is dropped.
  explicit LanguageTable(std::string_view bytes);

  std::size_t size() const { return chars_.size() - 1; }  // without the kept 0
  const wchar_t* data() const { return chars_.data(); }

  // The value of key, the first two characters never compared (all keys
  // begin "ID"); null when absent. Never reads outside the block.
  const wchar_t* Find(std::string_view key) const;

 private:
  std::vector<wchar_t> chars_;
};

// Reads the whole file at the program folder + "/" + fileName; null when it
// is missing or cannot be read.
std::unique_ptr<LanguageTable> ReadTableFile(const std::wstring& fileName);

// The table of the current language (any thread may read; null before the
// first load).
const LanguageTable* CurrentLanguageTable();
void SetCurrentLanguageTable(const LanguageTable* table);

// The value of key in the current table; null when the key is missing or no
// table is current. The pointer lives as long as its table.
const wchar_t* LookupString(const char* key);
// The same as a text, empty for a missing key.
std::wstring TextOfKey(const char* key);

// One loaded table per language, read at most once while it succeeds.
class LanguageTables {
 public:
  LanguageTables() = default;
  ~LanguageTables();  // clears the current table when it is one of these
  LanguageTables(const LanguageTables&) = delete;
  LanguageTables& operator=(const LanguageTables&) = delete;

  // Makes the table of languageIndex current. A language whose file cannot be
  // read is replaced by the next one (5 wraps to 0; Chinese only when asked
  // for), and languageIndex becomes the replacement. False, with no table
  // current, when none of the languages can be read.
  bool Load(int& languageIndex);

 private:
  std::array<std::unique_ptr<LanguageTable>, kLanguageCount> cache_;
};

// Replaces the file at path with the one byte of languageIndex, safely (see
// plat::WriteFileSafely). False when it cannot be written.
bool WriteLanguageByte(const std::wstring& path, int languageIndex);
