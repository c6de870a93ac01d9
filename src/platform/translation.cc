#include "platform/translation.h"

#include <atomic>
#include <cstddef>
#include <vector>

namespace quillmere {

namespace {

std::atomic<Translator> installed{nullptr};
std::atomic<PluralTranslator> installed_plural{nullptr};

}  // namespace

void SetTranslator(Translator translator) { installed.store(translator); }

const char* Tr(const char* english) {
  Translator translator = installed.load();
  return translator != nullptr ? translator(english) : english;
}

void SetPluralTranslator(PluralTranslator translator) { installed_plural.store(translator); }

const char* TrPlural(const char* singular, const char* plural, uint64_t n) {
  PluralTranslator translator = installed_plural.load();
  if (translator != nullptr) return translator(singular, plural, static_cast<unsigned long>(n));
  return n == 1 ? singular : plural;
}

std::string Sentences(std::string first, std::string_view second) {
  if (!first.empty() && static_cast<unsigned char>(first.back()) < 0x80) first.push_back(' ');
  return first.append(second);
}

std::string FillValues(std::string_view format, std::initializer_list<std::string_view> values) {
  const std::vector<std::string_view> value(values);
  std::string out;
  out.reserve(format.size() + 64);
  size_t next = 0;  // the value a plain "%s" takes
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      out.push_back(format[i]);
      continue;
    }
    if (format[i + 1] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    // "%s", or "%N$s" with N counted from 1.
    size_t at = i + 1;
    size_t n = 0;
    while (at < format.size() && format[at] >= '0' && format[at] <= '9') {
      n = n * 10 + static_cast<size_t>(format[at++] - '0');
    }
    const bool positional = at > i + 1 && at < format.size() && format[at] == '$';
    if (positional) ++at;
    const size_t index = positional ? n - 1 : next;
    if (at < format.size() && format[at] == 's' && (positional ? n >= 1 : at == i + 1) &&
        index < value.size()) {
      out.append(value[index]);
      if (!positional) ++next;
      i = at;
    } else {
      out.push_back('%');
    }
  }
  return out;
}

}  // namespace quillmere
