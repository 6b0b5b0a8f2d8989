#pragma once
// A Windows INI file held in memory as its lines, so that everything the plug-in does not write
// (other sections, keys, comments, blank lines) survives a save in its place. UTF-8 text;
// section and key names compare without regard to ASCII case; the first of duplicate sections
// or keys is the one that counts. Lines beginning with ';' or '#' are comments.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TIniFile {
 public:
  // Replaces the contents; tolerates a UTF-8 byte-order mark and LF or CR LF line ends. Any
  // other carriage return reads as a blank, since the writer stores it as one.
  void Parse(std::string_view Text);
  // The whole file with CR LF line ends (and the byte-order mark if the parsed text had one).
  std::string Text() const;

  bool SectionExists(std::string_view Section) const;
  bool KeyExists(std::string_view Section, std::string_view Key) const;

  // Values are read with the surrounding blanks removed and one pair of enclosing double
  // quotes stripped.
  std::string ReadString(std::string_view Section, std::string_view Key, std::string_view Default) const;
  // Decimal, optionally signed, within 32 bits; anything else gives Default.
  int32_t ReadInteger(std::string_view Section, std::string_view Key, int32_t Default) const;
  // A non-empty value is true exactly when it starts with '1'; missing or empty gives Default.
  bool ReadBool(std::string_view Section, std::string_view Key, bool Default) const;

  // Changes the first matching key in place, or adds it after the last key of the section, or
  // adds the section at the end. The value is quoted when it would not read back unchanged;
  // line breaks inside it become spaces, since a value cannot span lines.
  void WriteString(std::string_view Section, std::string_view Key, std::string_view Value);
  void WriteInteger(std::string_view Section, std::string_view Key, int32_t Value);
  void WriteBool(std::string_view Section, std::string_view Key, bool Value);

 private:
  enum TLineKind { lkOther, lkSection, lkKey };
  struct TLine {
    std::string Raw;  // the line as it stands in the file, without its line end
    TLineKind Kind = lkOther;
    std::string Name;   // section or key name, trimmed
    std::string Value;  // a key's value as read (trimmed, unquoted)
  };

  static TLine ParseLine(std::string_view Raw);
  // Index of the section's header line, or -1.
  int FindSection(std::string_view Section) const;
  // Index of the key's line, or -1.
  int FindKey(std::string_view Section, std::string_view Key) const;

  std::vector<TLine> Lines;
  bool HasBom = false;
};

// Parses a value the way ReadInteger does; false when it is not a 32-bit decimal integer.
bool ParseIniInteger(std::string_view Text, int32_t& Value);
