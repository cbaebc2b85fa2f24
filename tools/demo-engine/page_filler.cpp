#include "demo-engine/page_filler.h"

#include <string_view>

namespace korvath::demo {

void AppendFiller(std::string& out, int bytes) {
  static constexpr std::string_view kUnit =
      "<div class=\"extra\"><span class=\"extra__label\">Работаем без выходных</span>"
      "<span class=\"extra__note\">Бесплатная консультация специалиста</span></div>\n";
  for (int written = 0; written < bytes; written += static_cast<int>(kUnit.size())) out += kUnit;
}

}  // namespace korvath::demo
