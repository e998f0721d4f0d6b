#include "app/language_table.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/app_folders.h"
#include "tests/support/scripted_faults.h"
#include "tests/support/source_dir.h"
#include "tests/support/temp_dir.h"

namespace {

using Entries = std::vector<std::pair<std::u16string, std::u16string>>;

std::string Utf16(const std::u16string& text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

// A table in the file format: key 0 value 0 ..., then the empty key.
std::string TableBytes(const Entries& entries) {
  std::u16string text;
  for (const auto& [key, value] : entries) {
    text += key;
    text.push_back(0);
    text += value;
    text.push_back(0);
  }
  text.push_back(0);
  return Utf16(text);
}

std::wstring Found(const LanguageTable& table, const char* key) {
  const wchar_t* value = table.Find(key);
  return value ? std::wstring(value) : std::wstring(L"<null>");
}

const Entries kEntries = {
    {u"IDS_NEXT_BUTTON", u"Next drive"},
    {u"IDS_SELECT_LANGUAGE", u"Click a flag"},
    {u"IDS_SELECT", u"short key"},
    {u"IDS_MAINFRAME", u"Swaymo \u00e9\u65e5"},
};

TEST(LanguageTableLookup, MatchesWholeKeysFromTheThirdCharacter) {
  const LanguageTable table(TableBytes(kEntries));
  const std::pair<const char*, std::wstring> cases[] = {
      {"IDS_NEXT_BUTTON", L"Next drive"},
      {"IDS_SELECT_LANGUAGE", L"Click a flag"},
      {"IDS_SELECT", L"short key"},
      {"IDS_MAINFRAME", L"Swaymo \u00e9\u65e5"},
      {"XYS_MAINFRAME", L"Swaymo \u00e9\u65e5"},  // the first two never count
      {"IDS_NEXT", L"<null>"},                    // a prefix of a table key
      {"IDS_NEXT_BUTTON_X", L"<null>"},           // a table key is its prefix
      {"IDS_MISSING", L"<null>"},
      {"IDT_MAINFRAME", L"<null>"},
      {"", L"<null>"},
  };
  for (const auto& [key, expected] : cases) EXPECT_EQ(Found(table, key), expected) << key;

  // The value points into the table's block.
  const wchar_t* value = table.Find("IDS_SELECT");
  ASSERT_NE(value, nullptr);
  EXPECT_GE(value, table.data());
  EXPECT_LT(value, table.data() + table.size());

  // A table whose entry has other leading characters still answers.
  const LanguageTable other(TableBytes({{u"xxS_SELECT_LANGUAGE", u"Choose"}}));
  EXPECT_EQ(Found(other, "IDS_SELECT_LANGUAGE"), L"Choose");
}

TEST(LanguageTableLookup, DamagedTablesNeverReadPastTheBlock) {
  const std::string whole = TableBytes(kEntries);
  const std::string withoutEnd = whole.substr(0, whole.size() - 2);
  struct Case {
    const char* what;
    std::string bytes;
    const char* key;
    std::wstring expected;
  };
  const Case cases[] = {
      {"empty file", "", "IDS_MAINFRAME", L"<null>"},
      {"one byte", "I", "IDS_MAINFRAME", L"<null>"},
      {"without the final empty key", withoutEnd, "IDS_MAINFRAME", L"Swaymo \u00e9\u65e5"},
      {"without the final empty key, missing key", withoutEnd, "IDS_NONE", L"<null>"},
      {"odd length", whole + "x", "IDS_MAINFRAME", L"Swaymo \u00e9\u65e5"},
      {"cut inside the last value", whole.substr(0, whole.size() - 8), "IDS_MAINFRAME", L"Swaymo "},
      {"cut inside a key", TableBytes({{u"IDS_A", u"a"}}).substr(0, 7), "IDS_A", L"<null>"},
      {"cut after a key", Utf16(u"IDS_A") + std::string(2, '\0'), "IDS_A", L""},
      {"cut after a key, no terminator", Utf16(u"IDS_A"), "IDS_A", L""},
      {"short keys", TableBytes({{u"I", u"x"}, {u"", u""}}), "IDS_B", L"<null>"},
  };
  for (const Case& c : cases) {
    // Exactly the file's bytes on the heap, so a read past them is caught
    // by the address sanitizer.
    const LanguageTable table(c.bytes);
    EXPECT_EQ(Found(table, c.key), c.expected) << c.what;
  }
}

TEST(LanguageTableLookup, SurrogatePairsBecomeOneCharacter) {
  const LanguageTable table(TableBytes({{u"IDS_A", u"a\U0001F600b"}}));
  EXPECT_EQ(Found(table, "IDS_A"), L"a\U0001F600b");
}

class LanguageFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    savedFolder_ = g_programFolder;
    g_programFolder = dir_.path().wstring();
  }
  void TearDown() override { g_programFolder = savedFolder_; }

  void WriteTable(int language, const std::u16string& mainframe) {
    dir_.Write(LanguageFileName(language), TableBytes({{u"IDS_MAINFRAME", mainframe}}));
  }
  std::filesystem::path TablePath(int language) const {
    return dir_.path() / std::filesystem::path(LanguageFileName(language));
  }

  testsupport::TempDir dir_;
  std::wstring savedFolder_;
};

TEST_F(LanguageFolder, FallsBackToTheNextReadableLanguage) {
  struct Case {
    const char* what;
    std::vector<int> present;
    int asked;
    int loaded;
  };
  const Case cases[] = {
      {"the asked one", {0, 1, 3}, 3, 3},
      {"French with only English", {0}, 1, 0},
      {"Chinese with only English", {0}, 6, 0},
      {"Italian wraps to English", {0, 4}, 5, 0},
      {"Spanish missing, Japanese present", {0, 4}, 3, 4},
      {"English missing", {2}, 0, 2},
      {"Chinese is never a replacement", {6}, 5, -1},
      {"Chinese when asked", {6}, 6, 6},
      {"nothing at all", {}, 0, -1},
      {"an index out of range starts at English", {0}, 9, 0},
  };
  static const char16_t* const kNames[] = {u"en", u"fr", u"de", u"es", u"ja", u"it", u"zh"};
  for (const Case& c : cases) {
    std::filesystem::remove_all(dir_.path() / "dat");
    for (int language : c.present) WriteTable(language, kNames[language]);
    LanguageTables tables;
    int index = c.asked;
    const bool loaded = tables.Load(index);
    if (c.loaded < 0) {
      EXPECT_FALSE(loaded) << c.what;
      EXPECT_EQ(CurrentLanguageTable(), nullptr) << c.what;
      continue;
    }
    ASSERT_TRUE(loaded) << c.what;
    EXPECT_EQ(index, c.loaded) << c.what;
    const std::u16string name = kNames[c.loaded];
    EXPECT_EQ(TextOfKey("IDS_MAINFRAME"), std::wstring(name.begin(), name.end())) << c.what;
  }
}

TEST_F(LanguageFolder, TablesAreReadOnceAndReleasedWithTheCache) {
  WriteTable(LANGUAGE_ENGLISH, u"en");
  WriteTable(LANGUAGE_GERMAN, u"de");
  {
    LanguageTables tables;
    int index = LANGUAGE_GERMAN;
    ASSERT_TRUE(tables.Load(index));
    const wchar_t* german = LookupString("IDS_MAINFRAME");
    std::filesystem::remove(TablePath(LANGUAGE_GERMAN));
    index = LANGUAGE_ENGLISH;
    ASSERT_TRUE(tables.Load(index));
    EXPECT_EQ(TextOfKey("IDS_MAINFRAME"), L"en");
    index = LANGUAGE_GERMAN;
    ASSERT_TRUE(tables.Load(index));
    EXPECT_EQ(index, LANGUAGE_GERMAN);
    EXPECT_EQ(LookupString("IDS_MAINFRAME"), german);  // the same block as before
    EXPECT_EQ(TextOfKey("IDS_MISSING"), L"");
  }
  EXPECT_EQ(CurrentLanguageTable(), nullptr);
  EXPECT_EQ(LookupString("IDS_MAINFRAME"), nullptr);
}

TEST_F(LanguageFolder, UnreadableTablesCountAsMissing) {
  std::filesystem::create_directories(TablePath(LANGUAGE_ENGLISH));  // a folder, not a file
  WriteTable(LANGUAGE_FRENCH, u"fr");
  LanguageTables tables;
  int index = LANGUAGE_ENGLISH;
  ASSERT_TRUE(tables.Load(index));
  EXPECT_EQ(index, LANGUAGE_FRENCH);

  // An empty file is an empty table: it loads, and every lookup is empty.
  dir_.Write("dat/GermanStrings.dat", "");
  index = LANGUAGE_GERMAN;
  ASSERT_TRUE(tables.Load(index));
  EXPECT_EQ(index, LANGUAGE_GERMAN);
  EXPECT_EQ(LookupString("IDS_MAINFRAME"), nullptr);
}

TEST_F(LanguageFolder, TheInstalledTablesHoldTheWindowTitle) {
  g_programFolder = testsupport::SourceDir().wstring();
  LanguageTables tables;
  for (int language = 0; language < kLanguageCount; ++language) {
    int index = language;
    ASSERT_TRUE(tables.Load(index));
    EXPECT_EQ(index, language);
    EXPECT_FALSE(TextOfKey("IDS_MAINFRAME").empty()) << language;
    EXPECT_NE(TextOfKey("IDS_PSP_FOUND_ON_DRIVE_X").find(L"%c"), std::wstring::npos) << language;
  }
}

TEST_F(LanguageFolder, LanguageBytes) {
  const int expected[] = {0, 2, 4, 3, 1, 5, 1};
  for (int language = -1; language <= kLanguageCount; ++language) {
    const int want = language >= 0 && language < kLanguageCount ? expected[language] : 0;
    const std::filesystem::path file = dir_.path() / "Language.bin";
    std::filesystem::remove(file);
    // An existing longer file is emptied first.
    dir_.Write("Language.bin", "previous content");
    ASSERT_TRUE(WriteLanguageByte(file.wstring(), language));
    ASSERT_EQ(std::filesystem::file_size(file), 1u) << language;
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(in.get(), want) << language;
  }
  EXPECT_FALSE(WriteLanguageByte((dir_.path() / "missing" / "Language.bin").wstring(), 0));
}

// A write that fails anywhere leaves the byte that was there and nothing else.
TEST_F(LanguageFolder, AFailedWriteKeepsTheOldByte) {
  const auto folder = dir_.path() / "SWAYMO";
  std::filesystem::create_directories(folder);
  dir_.Write("SWAYMO/Language.bin", std::string(1, '\x02'));
  using testsupport::ScriptedFaults;
  const struct {
    int ScriptedFaults::*call;
    int error;
  } cases[] = {{&ScriptedFaults::create, EROFS},
               {&ScriptedFaults::write, EIO},
               {&ScriptedFaults::fsync, EIO},
               {&ScriptedFaults::rename, EIO}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    ScriptedFaults faults;
    faults.*c.call = c.error;
    EXPECT_FALSE(WriteLanguageByte((folder / "Language.bin").wstring(), LANGUAGE_JAPANESE));
    std::ifstream in(folder / "Language.bin", std::ios::binary);
    EXPECT_EQ(in.get(), 2);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
  }
}

}  // namespace
