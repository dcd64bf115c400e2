#include <gtest/gtest.h>

#include <string>

#include "level/level_file.h"

namespace {

TEST(ReadTag, LinesOfALevelFile) {
  struct Case {
    std::string line;
    const char* tag;
    const char* value;
  };
  const Case cases[] = {
      {"\t\t<style>3</style>", "STYLE", "3"},
      {"<title>xx - Your Level</title>", "TITLE", "xx - Your Level"},
      {"<from>100,100</from>", "FROM", "100,100"},
      {"\t\t<layer></layer>", "LAYER", ""},
      {"<room>", "ROOM", ""},
      {"</story>", "/STORY", ""},
      {"<title>   </title>", "TITLE", "<title>   </title>"},   // content of blanks: the whole line
      {"\t\t\t0:wall*23  ", "", "0:wall*23"},
      {"-=-", "", ""},
      {"", "", ""},
      {"\t", "", ""},
      {"<RoOm>", "ROOM", ""},
      {"<room id=\"1\">", "ROOM ID=\"1\"", ""},                   // attributes are part of the tag
      {"\xef\xbb\xbf<title>Cave</title>", "TITLE", "Cave"},      // text before the first "<"
      {"<title>  Cave  </title>", "TITLE", "Cave"},
      {"<title>a</b>c</title>", "TITLE", "a"},                    // cut at the first "</"
      {"<title>a<b>c</title>", "TITLE", "a<b>c"},
      {"<style>3", "STYLE", ""},                                 // no "</"
      {"<style", "STYLE", ""},                                   // no ">"
      {"<", "", ""},
      {"<>", "", ""},
      {"> x <tag", "TAG", ""},                                   // ">" before "<"
      {"> x <tag</tag>", "TAG</TAG>", "x <tag"},                 // value from after the first ">"
      {"x</y", "/Y", "x"},                                        // no ">": value from the line's start
      {"a, b", "", "a, b"},                                       // untagged: the line itself
      {"<tag>a</", "TAG", "a"},
      {"<tag></tag></tag>", "TAG", ""},
      {"abc<tag>def</tag>", "TAG", "def"},
      {"<position> 3 , -2 </position>", "POSITION", "3 , -2"},
      {"\x01\x1f<gfx>2</gfx>", "GFX", "2"},
      {"\x01 abc \x7f", "", "abc \x7f"},                         // only codes 0..32 are trimmed
  };
  for (const Case& c : cases) {
    const TagLine got = ReadTag(c.line);
    EXPECT_EQ(got.tag, c.tag) << "line: " << c.line;
    EXPECT_EQ(got.value, c.value) << "line: " << c.line;
  }
}

TEST(ReadTag, CanonicalNumbers) {
  for (const char* yes : {"0", "7", "150", "2147483647"}) EXPECT_TRUE(IsCanonicalNumber(yes)) << yes;
  for (const char* no : {"07", "+7", "-1", "7x", "3.0", "", " 7", "-0", "$7", "%1", "2147483648", "4294967303"})
    EXPECT_FALSE(IsCanonicalNumber(no)) << no;
}

}  // namespace
