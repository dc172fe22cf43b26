// The job files' text format, the name lookup and the folder placeholder.
#include "package/string_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/job.h"

namespace vor {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  StringList list;
  list.SetText(text);
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list[i]);
  return lines;
}

TEST(StringListText, LineEndsAndTheZeroByte) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},  // LF then CR: two line ends
      {"\r\n", {""}},
      {std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
      {std::string("\0a", 2), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(Lines(c.text), c.lines);
  }
}

TEST(StringListText, SetTextReplacesEarlierLines) {
  StringList list;
  list.Add("old");
  list.SetText("new\r\n");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0], "new");
}

TEST(StringListLookup, NamesAndValues) {
  StringList list;
  list.SetText(
      "[Setup]\r\nno equals sign\r\nTitle =blank before\r\ntitle=lower\r\nTITLE=upper\r\n"
      "InstMessage=a=b\r\n=empty name\r\n\xC4pfel=umlaut\r\nEmpty=\r\n");
  struct Case {
    const char* name;
    const char* value;
    int index;
  };
  const Case cases[] = {
      {"Title", "lower", 3},          // first match, any case
      {"Title ", "blank before", 2},  // blanks belong to the name
      {"InstMessage", "a=b", 5},
      {"", "empty name", 6},
      {"\xE4PFEL", "umlaut", 7},  // case folded in the locale (code page 1252)
      {"Empty", "", 8},
      {"no equals sign", "", -1},  // a line without "=" is never found
      {"[Setup]", "", -1},
      {"Setup", "", -1},
      {"Missing", "", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(list.IndexOfName(c.name), c.index);
    EXPECT_EQ(list.Values(c.name), c.value);
  }
  EXPECT_EQ(list.Names(0), "");
  EXPECT_EQ(list.Names(2), "Title ");
  EXPECT_EQ(list.Names(5), "InstMessage");
}

// A sorted list keeps its lines in the locale's order without regard to
// case wherever a line lands (after the last, equal to it, before it), and
// ignores a line equal to one it holds only when told to.
TEST(StringListSorted, AddKeepsOrderAndDuplicatesWhereverTheLineLands) {
  struct Case {
    bool ignore_duplicates;
    std::vector<std::string> adds;
    std::vector<int> indices;  // what each Add returns
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      // In order, each complete file reported twice (the copy's pattern).
      {true,
       {"a.txt", "a.txt", "Bin\\b.dll", "bin\\B.DLL", "c.txt"},
       {0, 0, 1, 1, 2},
       {"a.txt", "Bin\\b.dll", "c.txt"}},
      // Out of order: before the last, equal to a line inside.
      {true, {"m", "z", "a", "M", "z", "b"}, {0, 1, 0, 1, 2, 1}, {"a", "b", "m", "z"}},
      // Duplicates kept: an equal line goes before the equal ones.
      {false, {"x", "X", "x", "a"}, {0, 0, 0, 0}, {"a", "x", "X", "x"}},
  };
  for (const Case& c : cases) {
    StringList list;
    list.SetIgnoreDuplicates(c.ignore_duplicates);
    list.SetSorted(true);
    std::vector<int> indices;
    for (const std::string& line : c.adds) indices.push_back(list.Add(line));
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i) lines.push_back(list[i]);
    EXPECT_EQ(indices, c.indices);
    EXPECT_EQ(lines, c.lines);
  }
}

TEST(ProgramDirPlaceholder, ReplacedCaseSensitivelyEverywhereWithoutRescan) {
  struct Case {
    const char* value;
    const char* folder;
    const char* result;
  };
  const Case cases[] = {
      {"PDIR\\x.exe", "C:\\Apps\\X", "C:\\Apps\\X\\x.exe"},
      {"PDIR\\a;PDIR\\b", "D", "D\\a;D\\b"},
      {"pdir\\x.exe", "D", "pdir\\x.exe"},
      {"PDIRPDIR", "D", "DD"},
      {"PPDIRDIR", "D", "PDDIR"},  // no second pass over the result
      {"PDIR", "PDIR", "PDIR"},    // the inserted text is not searched
      {"PDI", "D", "PDI"},
      {"", "D", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(ReplaceProgramDir(c.value, c.folder), c.result);
  }
}

}  // namespace
}  // namespace vor
