#include "demo-engine/query_text.h"

#include <gtest/gtest.h>

namespace korvath::demo {
namespace {

TEST(QueryText, DecodeUndoesEscapesAndKeepsBrokenOnes) {
  const struct {
    std::string_view in;
    std::string_view out;
  } cases[] = {
      {"a%2Db%20c", "a-b c"}, {"%D1%8F", "я"},  {"%d1%8f", "я"}, {"a+b", "a b"}, {"100%", "100%"},
      {"%4", "%4"},           {"%zz1", "%zz1"}, {"%%41", "%A"},  {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PercentDecode(c.in), c.out) << c.in;
}

TEST(QueryText, EncodeLeavesOnlyLettersDigitsAndEscapes) {
  EXPECT_EQ(PercentEncode("a-b c"), "a%2Db%20c");
  EXPECT_EQ(PercentEncode("я"), "%D1%8F");
  EXPECT_EQ(PercentEncode("Az09"), "Az09");
  std::string everyByte;
  for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b);
  EXPECT_EQ(PercentDecode(PercentEncode(everyByte)), everyByte);
}

TEST(QueryText, ParamFindsTheFirstMatchingNameDecoded) {
  const struct {
    std::string_view query;
    std::string_view name;
    std::optional<std::string> value;
  } cases[] = {
      {"text=%D0%BE&lr=213", "text", "о"},
      {"text=a&lr=213", "lr", "213"},
      {"text=a&text=b", "text", "a"},
      {"textx=a&text=b", "text", "b"},
      {"lr=", "lr", ""},
      {"lr", "lr", ""},
      {"&&lr=5&", "lr", "5"},
      {"text=a", "lr", std::nullopt},
      {"", "lr", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(QueryParam(c.query, c.name), c.value) << c.query;
}

}  // namespace
}  // namespace korvath::demo
