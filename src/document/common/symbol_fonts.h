// The symbol fonts: fonts whose characters are pictures rather than
// letters, so that a character's code says nothing of what it shows
// without the font (Wingdings' "þ" is a ticked box). Both readers mark the
// characters set in them for the forms that read boxes and ticks.
#pragma once

#include <string_view>

namespace quillmere::document {

template <typename Char>
bool IsSymbolFont(std::basic_string_view<Char> font) {
  auto starts = [&](std::string_view prefix) {
    if (font.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
      Char c = font[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<Char>(c - 'A' + 'a');
      if (c != static_cast<Char>(prefix[i])) return false;
    }
    return true;
  };
  return starts("wingdings") || starts("webdings") || (font.size() == 6 && starts("symbol"));
}

}  // namespace quillmere::document
