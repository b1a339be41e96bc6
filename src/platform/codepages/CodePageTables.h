#pragma once

// Byte -> Unicode tables, 256 entries each; generated into CodePageTables.cpp.
namespace zv::tables {
extern const char16_t kSymbol[256];
extern const char16_t kWingdings2[256];
extern const char16_t kWingdings3[256];
extern const char16_t kCp1252[256];
extern const char16_t kCp1250[256];
extern const char16_t kCp1251[256];
extern const char16_t kCp1253[256];
extern const char16_t kCp1254[256];
extern const char16_t kCp1255[256];
extern const char16_t kCp1256[256];
extern const char16_t kCp1257[256];
extern const char16_t kCp1258[256];
extern const char16_t kCp874[256];
extern const char16_t kCp10000[256];
extern const char16_t kCp437[256];
extern const char16_t kCp850[256];
} // namespace zv::tables
