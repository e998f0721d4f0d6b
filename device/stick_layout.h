#pragma once
// The places on a PSP's memory stick that the wizard uses, how a full path is
// formed from a drive letter, and how a target file's folders are made. Files
// are written there with plat::WriteFileSafely.
#include <string>
#include <string_view>

// Root folders that mark a stick as a PSP's (exact case).
inline constexpr wchar_t kStickPspFolder[] = L"PSP";
inline constexpr wchar_t kStickMpRootFolder[] = L"mp_root";

// Places after the drive letter; each begins with the colon and backslash.
inline constexpr wchar_t kStickRoot[] = L":\\";
inline constexpr wchar_t kStickWriteTestFile[] = L":\\mmm_temp_fil_36569.tmp";
inline constexpr wchar_t kStickApplicationFile[] = L":\\PSP\\GAME\\UPDATE\\EBOOT.PBP";
inline constexpr wchar_t kStickLanguageFile[] = L":\\SWAYMO\\Language.bin";

// The drive letter followed by the place: StickPath(L'G', kStickApplicationFile)
// is G:\PSP\GAME\UPDATE\EBOOT.PBP.
inline std::wstring StickPath(wchar_t letter, std::wstring_view place) {
  return std::wstring(1, letter).append(place);
}

// Makes every missing folder level above the file at path (G:\PSP, G:\PSP\GAME,
// G:\PSP\GAME\UPDATE for the application file). Levels that exist or cannot
// be made are passed over; a missing folder shows when the file is opened.
void PrepareTargetFolders(std::wstring path);
