#include "results/cp1251_encoder.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/unorm2.h>

#include <array>
#include <stdexcept>
#include <string>

namespace korvath {
namespace {

constexpr char kCodePage[] = "windows-1251";

[[noreturn]] void ThrowIcuError(const char* what, UErrorCode status) {
  throw std::runtime_error(std::string("Windows-1251 conversion: ") + what + ": " +
                           u_errorName(status));
}

// The byte of every BMP character the code page holds exactly; 0 where it holds none
// (only U+0000 itself maps to byte 0, and it never comes out of a decomposition).
class ExactMapping {
 public:
  ExactMapping() {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(kCodePage, &status);
    if (U_FAILURE(status)) ThrowIcuError("ucnv_open", status);
    for (int byte = 1; byte < 256; ++byte) {
      const char in = static_cast<char>(byte);
      UChar decoded[2];
      status = U_ZERO_ERROR;
      const int32_t length = ucnv_toUChars(converter, decoded, 2, &in, 1, &status);
      if (U_SUCCESS(status) && length == 1 && decoded[0] != 0xFFFD && decoded[0] != 0x1A)
        bytes_[decoded[0]] = static_cast<char>(byte);
    }
    ucnv_close(converter);
  }

  char ByteOf(UChar32 c) const { return c > 0 && c < 0x10000 ? bytes_[c] : 0; }

 private:
  std::array<char, 0x10000> bytes_{};
};

const ExactMapping& Mapping() {
  static const ExactMapping mapping;
  return mapping;
}

// What stands in for a character the code page lacks: the mappable letters of its
// compatibility decomposition with combining marks dropped, or "?" when any part has no byte.
std::string Substitute(UChar32 codePoint) {
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfkd = unorm2_getNFKDInstance(&status);
  UChar source[2];
  int32_t sourceLength = 0;
  U16_APPEND_UNSAFE(source, sourceLength, codePoint);
  UChar decomposed[32];
  const int32_t length =
      U_SUCCESS(status) ? unorm2_normalize(nfkd, source, sourceLength, decomposed, 32, &status) : 0;
  if (U_FAILURE(status)) return "?";
  std::string out;
  for (int32_t i = 0; i < length;) {
    UChar32 c;
    U16_NEXT(decomposed, i, length, c);
    if (u_charType(c) == U_NON_SPACING_MARK) continue;
    const char byte = Mapping().ByteOf(c);
    if (byte == 0) return "?";
    out += byte;
  }
  return out.empty() ? "?" : out;
}

void SubstituteCallback(const void*, UConverterFromUnicodeArgs* args, const UChar*, int32_t,
                        UChar32 codePoint, UConverterCallbackReason reason, UErrorCode* status) {
  if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR) return;
  *status = U_ZERO_ERROR;
  const std::string bytes = reason == UCNV_UNASSIGNED ? Substitute(codePoint) : "?";
  ucnv_cbFromUWriteBytes(args, bytes.data(), static_cast<int32_t>(bytes.size()), 0, status);
}

}  // namespace

void Cp1251Encoder::ConverterDeleter::operator()(UConverter* converter) const {
  ucnv_close(converter);
}

Cp1251Encoder::Cp1251Encoder() {
  Mapping();
  UErrorCode status = U_ZERO_ERROR;
  converter_.reset(ucnv_open(kCodePage, &status));
  if (U_FAILURE(status)) ThrowIcuError("ucnv_open", status);
  ucnv_setFallback(converter_.get(), true);
  ucnv_setFromUCallBack(converter_.get(), SubstituteCallback, nullptr, nullptr, nullptr, &status);
  if (U_FAILURE(status)) ThrowIcuError("ucnv_setFromUCallBack", status);
}

Cp1251Encoder::~Cp1251Encoder() = default;

// Most characters have an exact byte and are looked up directly; the converter sees only the
// runs of those that do not, which keeps a large export fast.
void Cp1251Encoder::Encode(QStringView text, bool last, QByteArray& out) {
  const ExactMapping& mapping = Mapping();
  const qsizetype size = text.size();
  qsizetype at = 0;
  for (;;) {
    if (!converterHoldsText_) {
      const qsizetype start = at;
      qsizetype written = out.size();
      out.resize(written + (size - start));
      char* target = out.data() + written;
      for (; at < size; ++at) {
        const char16_t c = text[at].unicode();
        const char byte = mapping.ByteOf(c);
        if (byte == 0 && c != 0) break;
        *target++ = byte;
      }
      out.resize(written + (at - start));
      if (at == size) return;
    }
    qsizetype end = at;
    while (end < size && text[end].unicode() != 0 && mapping.ByteOf(text[end].unicode()) == 0)
      ++end;
    const bool flush = end < size || last;
    EncodeUnmapped(text.sliced(at, end - at), flush, out);
    converterHoldsText_ = !flush;
    at = end;
    if (at == size) return;
  }
}

void Cp1251Encoder::EncodeUnmapped(QStringView text, bool flush, QByteArray& out) {
  const auto* source = reinterpret_cast<const UChar*>(text.utf16());
  const UChar* const sourceEnd = source + text.size();
  qsizetype written = out.size();
  out.resize(written + text.size() * 4 + 16);
  for (;;) {
    char* target = out.data() + written;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_fromUnicode(converter_.get(), &target, out.data() + out.size(), &source, sourceEnd,
                     nullptr, flush, &status);
    written = target - out.data();
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      out.resize(out.size() + (sourceEnd - source) * 4 + 64);
      continue;
    }
    if (U_FAILURE(status)) ThrowIcuError("ucnv_fromUnicode", status);
    break;
  }
  out.resize(written);
}

QByteArray Cp1251Encoder::EncodeAll(QStringView text) {
  Cp1251Encoder encoder;
  QByteArray out;
  encoder.Encode(text, true, out);
  return out;
}

}  // namespace korvath
