#pragma once
// Small operations on wide text: cutting, searching and trimming, the decoder
// for downloaded UTF-8, and the size text of a drive.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Removes count characters at position; counting past the end cuts the text
// at position.
void DeleteChars(std::wstring& text, std::size_t position, std::size_t count);

// The first position at or after start where needle occurs in text
// (case-sensitive), or -1. An empty needle gives the text's length; a start
// outside the text gives -1.
int FindText(std::wstring_view needle, std::wstring_view text, int start);

// Removes every trailing white-space character (Unicode blanks included).
std::wstring& TrimRightBlanks(std::wstring& text);

// Decodes count bytes the lenient way the settings server's text needs: one-,
// two- and three-byte sequences with continuation bytes taken as they come
// (the value kept to 16 bits), a lead byte from 0xF0 up skipped together with
// the byte after it, a stray byte taken as its own value. A sequence cut off
// by the end of the input is dropped. Every character is kept, NULs too.
// Never reads past count; nullopt when memory runs out.
std::optional<std::wstring> Utf8ToWide(const void* bytes, std::size_t count);

// "4.77MB", "2.00GB" or, below 10,240 bytes, thousands rounded up ("11KB").
void FormatSize(std::int64_t bytes, std::wstring& out);
