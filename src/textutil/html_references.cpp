#include "textutil/html_references.h"

#include "textutil/html_named_references.h"

#include <algorithm>
#include <array>
#include <optional>

namespace korvath {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
// The longest name HTML defines has 31 letters.
constexpr qsizetype kLongestName = 32;

// What 128 to 159 mean in a numeric reference: the Windows-1252 characters that pages written in
// that code page meant; the number itself where it has none.
constexpr std::array<char32_t, 32> kWindows1252 = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

char32_t CharacterOfNumber(char32_t value) {
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return kReplacement;
  if (value >= 0x80 && value <= 0x9F) return kWindows1252[value - 0x80];
  return value;
}

std::optional<int> DigitValue(QChar c, bool hex) {
  if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
  if (!hex) return std::nullopt;
  if (c >= u'a' && c <= u'f') return c.unicode() - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
  return std::nullopt;
}

struct Decoded {
  QString text;
  qsizetype length = 0;  // of the reference, "&" and ";" included
};

// The numeric reference that `at` ("&#...") starts.
std::optional<Decoded> NumericReference(QStringView text, qsizetype at) {
  qsizetype i = at + 2;
  const bool hex = i < text.size() && (text[i] == u'x' || text[i] == u'X');
  if (hex) ++i;
  const qsizetype digitsStart = i;
  char32_t value = 0;
  for (; i < text.size(); ++i) {
    const std::optional<int> digit = DigitValue(text[i], hex);
    if (!digit) break;
    // Past Unicode's end the number only needs to stay past it.
    value = std::min<char32_t>(value * (hex ? 16 : 10) + char32_t(*digit), 0x110000);
  }
  if (i == digitsStart || i >= text.size() || text[i] != u';') return std::nullopt;
  const char32_t character = CharacterOfNumber(value);
  return Decoded{QString::fromUcs4(&character, 1), i + 1 - at};
}

// The named reference that `at` ("&...") starts, when HTML knows the name.
std::optional<Decoded> NamedReferenceAt(QStringView text, qsizetype at) {
  qsizetype i = at + 1;
  while (i < text.size() && i - at <= kLongestName && text[i].isLetterOrNumber() &&
         text[i].unicode() < 0x80)
    ++i;
  if (i == at + 1 || i >= text.size() || text[i] != u';') return std::nullopt;
  const QStringView name = text.sliced(at + 1, i - at - 1);
  const std::span<const NamedReference> table = NamedReferences();
  const auto found = std::lower_bound(
      table.begin(), table.end(), name,
      [](const NamedReference& entry, QStringView key) { return entry.name < key; });
  if (found == table.end() || found->name != name) return std::nullopt;
  return Decoded{found->text.toString(), i + 1 - at};
}

}  // namespace

QString DecodeCharacterReferences(QStringView text) {
  QString result;
  result.reserve(text.size());
  qsizetype done = 0;
  for (qsizetype at = text.indexOf(u'&'); at >= 0; at = text.indexOf(u'&', at + 1)) {
    if (at < done) continue;
    const bool numeric = at + 1 < text.size() && text[at + 1] == u'#';
    const std::optional<Decoded> decoded =
        numeric ? NumericReference(text, at) : NamedReferenceAt(text, at);
    if (!decoded) continue;
    result.append(text.sliced(done, at - done));
    result.append(decoded->text);
    done = at + decoded->length;
  }
  result.append(text.sliced(done));
  return result;
}

}  // namespace korvath
