#include "platform/services.h"

#include "platform/text.h"

namespace platform {

int SystemFacts::CompareTextLocale(std::string_view a, std::string_view b) const {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t x = text::FoldCase(text::NextCodePoint(a, i));
    const char32_t y = text::FoldCase(text::NextCodePoint(b, j));
    if (x != y) return x < y ? -1 : 1;
  }
  return (i < a.size()) - (j < b.size());
}

Services& Current() {
  static Services services;
  return services;
}

}  // namespace platform
