#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "model/uTextScan.h"

// The inline search and copy must behave exactly like the standard library at every length and
// alignment: the wide steps and the overlapping tails are where they could go wrong.
TEST(TextScan, AgreesWithTheStandardLibrary) {
  std::mt19937 Random(7);
  const std::string Alphabet("ab\n\0x", 5);
  std::uniform_int_distribution<size_t> Letter(0, Alphabet.size() - 1);
  for (int Round = 0; Round < 3000; ++Round) {
    std::string Text(std::uniform_int_distribution<size_t>(0, 90)(Random), 'a');
    for (char& C : Text) C = Alphabet[Letter(Random)];
    const size_t Skip = std::uniform_int_distribution<size_t>(0, 3)(Random);
    const std::string_view S = std::string_view(Text).substr(std::min(Skip, Text.size()));
    for (char C : Alphabet) {
      const size_t From = std::uniform_int_distribution<size_t>(0, S.size() + 1)(Random);
      ASSERT_EQ(FindByte(S, C, From), S.find(C, From)) << Round;
      const char* End = S.data() + S.size();
      const size_t Expected = S.find(C);
      ASSERT_EQ(FindByteWordwise(S.data(), End, C), Expected == S.npos ? End : S.data() + Expected) << Round;
    }
    std::string Word(std::uniform_int_distribution<size_t>(1, 4)(Random), 'a');
    for (char& C : Word) C = Alphabet[Letter(Random)];
    const size_t From = std::uniform_int_distribution<size_t>(0, S.size())(Random);
    ASSERT_EQ(FindText(S, Word, From), S.find(Word, From)) << Round;
  }
  for (size_t Length = 0; Length <= 300; ++Length) {
    std::string From(Length + 3, 'a'), To(Length + 6, '-');
    for (char& C : From) C = static_cast<char>('a' + Letter(Random));
    CopyBytes(To.data() + 3, From.data() + 1, Length);
    EXPECT_EQ(To.substr(3, Length), From.substr(1, Length)) << Length;
    EXPECT_EQ(To.substr(0, 3), "---");
    EXPECT_EQ(To.substr(3 + Length), "---");
  }
}
