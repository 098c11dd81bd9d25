#include "common/file_names.h"

#include <gtest/gtest.h>

#include <string>

namespace lw {
namespace {

TEST(FileNames, OnlyPlainFileNamesStayInTheirFolder) {
  for (const char* name : {"app.exe", "Ledgerwell.exe", "help.rtf", "a b.txt", "console.txt", "COM0", "comma.dll",
                           "LPT10", "x.GZ", "name with 'quote'", "\xe9t\xe9"})
    EXPECT_TRUE(IsPlainFileName(name)) << name;
  for (const char* name : {"", "..", ".", "..\\x.exe", "sub/x.exe", "sub\\x.exe", "C:x.exe", "x.exe:stream",
                           "x.exe.", "x.exe ", "a..b", "CON", "con.txt", "Nul .txt", "aux", "PRN.log", "com1",
                           "LPT9.dat", "CONIN$", "x*.exe", "x?.exe", "a|b", "a<b", "a\"b", "tab\there", "\x1f"})
    EXPECT_FALSE(IsPlainFileName(name)) << name;
  EXPECT_FALSE(IsPlainFileName(std::string(256, 'a')));
  EXPECT_TRUE(IsPlainFileName(std::string(255, 'a')));
}

}  // namespace
}  // namespace lw
