#include <gtest/gtest.h>

#include <string>

#include "settings/uIniFile.h"

namespace {

TIniFile Parsed(const std::string& Text) {
  TIniFile Ini;
  Ini.Parse(Text);
  return Ini;
}

}  // namespace

TEST(IniFile, ReadsNamesWithoutRegardToCaseAndTakesTheFirstDuplicate) {
  const TIniFile Ini = Parsed(
      "\xEF\xBB\xBF[View]\r\nFontName = Consolas \r\nfontname=Second\r\n"
      "; Comment=1\n# Other=2\n[view]\nLater=3\n[Tail]\nIntervalMs=500");
  EXPECT_EQ(Ini.ReadString("VIEW", "FONTNAME", "x"), "Consolas");
  EXPECT_FALSE(Ini.KeyExists("View", "Later")) << "only the first of duplicate sections counts";
  EXPECT_FALSE(Ini.KeyExists("View", "; Comment"));
  EXPECT_FALSE(Ini.KeyExists("View", "# Other"));
  EXPECT_EQ(Ini.ReadInteger("tail", "intervalms", 0), 500) << "last line without a line end";
  EXPECT_TRUE(Ini.SectionExists("TAIL"));
  EXPECT_FALSE(Ini.SectionExists("Format"));
  EXPECT_EQ(Ini.ReadString("Format", "X", "dflt"), "dflt");
}

TEST(IniFile, ValueParsing) {
  struct Case {
    const char* Value;
    int32_t Integer;  // with default 42
    bool Bool;        // with default true
  };
  const Case Cases[] = {
      {"17", 17, true},
      {"-1", -1, false},
      {" 7 ", 7, false},
      {"+5", 5, false},
      {"1", 1, true},
      {"10", 10, true},
      {"true", 42, false},
      {"", 42, true},
      {"12x", 42, true},
      {"abc", 42, false},
      {"0", 0, false},
      {"1.5", 42, true},
      {"2147483647", 2147483647, false},
      {"2147483648", 42, false},
      {"-2147483648", -2147483647 - 1, false},
      {"0x10", 42, false},
      {"\"1\"", 1, true},
      {"+-3", 42, false},
      {"++3", 42, false},
      {"-+3", 42, false},
      {"+", 42, false},
  };
  for (const Case& C : Cases) {
    const TIniFile Ini = Parsed(std::string("[S]\nK=") + C.Value + "\n");
    EXPECT_EQ(Ini.ReadInteger("S", "K", 42), C.Integer) << C.Value;
    EXPECT_EQ(Ini.ReadBool("S", "K", true), C.Bool) << C.Value;
  }
  EXPECT_EQ(Parsed("[S]\n").ReadBool("S", "K", true), true);
  EXPECT_EQ(Parsed("[S]\n").ReadBool("S", "K", false), false);
}

TEST(IniFile, WritingKeepsEverythingElseInPlace) {
  TIniFile Ini;
  Ini.Parse(
      "; my notes\r\n[Mine]\r\nKeep=this one\r\n\r\n[view]\r\nfontsize=9\r\n; about the view\r\n"
      "\r\n[Other]\r\nX=1\r\n");
  Ini.WriteInteger("View", "FontSize", 12);
  Ini.WriteString("View", "FontName", "Consolas");
  Ini.WriteBool("Tail", "Enabled", true);
  Ini.WriteString("Tail", "Follow", "0");
  EXPECT_EQ(Ini.Text(),
            "; my notes\r\n[Mine]\r\nKeep=this one\r\n\r\n[view]\r\nfontsize=12\r\n"
            "FontName=Consolas\r\n; about the view\r\n\r\n[Other]\r\nX=1\r\n\r\n[Tail]\r\n"
            "Enabled=1\r\nFollow=0\r\n");
}

TEST(IniFile, KeepsByteOrderMarkAndTurnsLineEndsIntoCrLf) {
  TIniFile Ini;
  Ini.Parse("\xEF\xBB\xBF[A]\nB=1\n");
  EXPECT_EQ(Ini.Text(), "\xEF\xBB\xBF[A]\r\nB=1\r\n");
  Ini.Parse("[A]\r\nB=1\r\n");
  EXPECT_EQ(Ini.Text(), "[A]\r\nB=1\r\n");
  Ini.Parse("");
  Ini.WriteInteger("A", "B", 1);
  EXPECT_EQ(Ini.Text(), "[A]\r\nB=1\r\n");
}

TEST(IniFile, EveryStringReadsBackAsWritten) {
  const std::string Values[] = {
      "plain",      " leading", "trailing\t",   "\"quoted\"",        "a\"b", "",       "  ",
      "C:\\Logs\\", "x=y;z",    "[notsection]", "\xC3\xA9t\xC3\xA9", "\"",   "\"half", "half\""};
  for (const std::string& Value : Values) {
    TIniFile Ini;
    Ini.WriteString("S", "K", Value);
    Ini.WriteString("S", "Next", "n");
    EXPECT_EQ(Parsed(Ini.Text()).ReadString("S", "K", "?"), Value) << Value;
    EXPECT_EQ(Parsed(Ini.Text()).ReadString("S", "Next", "?"), "n") << Value;
  }
}

TEST(IniFile, LineBreaksInAValueCannotAddKeys) {
  TIniFile Ini;
  Ini.WriteString("Files", "LastDir", "a\r\n[Tail]\nEnabled=1");
  const TIniFile Back = Parsed(Ini.Text());
  EXPECT_FALSE(Back.SectionExists("Tail"));
  EXPECT_EQ(Back.ReadString("Files", "LastDir", ""), "a  [Tail] Enabled=1");
}

// A value read and saved again must come back as it was read, whatever a hand edit left in it.
TEST(IniFile, CarriageReturnsInsideALineReadAsTheBlankTheWriterStores) {
  struct Case {
    const char* Line;
    const char* Value;
  };
  const Case Cases[] = {{"K=a\rb", "a b"},   {"K=a\r\rb", "a  b"}, {"K=a\r", "a"},  {"K=\ra", "a"},
                        {"K=\"a\r\"", "a "}, {"K\r=v", "v"},       {"K=a\r\r", "a"}};
  for (const Case& C : Cases) {
    const TIniFile First = Parsed(std::string("[S]\r\n") + C.Line + "\r\nNext=n\r\n");
    const std::string Read = First.ReadString("S", "K", "?");
    EXPECT_EQ(Read, C.Value) << C.Line;
    TIniFile Saved = First;
    Saved.WriteString("S", "K", Read);
    const TIniFile Again = Parsed(Saved.Text());
    EXPECT_EQ(Again.ReadString("S", "K", "?"), Read) << C.Line;
    EXPECT_EQ(Again.ReadString("S", "Next", "?"), "n") << C.Line;
  }
}
