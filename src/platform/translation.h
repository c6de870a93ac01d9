// Texts for the user, translated.
//
// Every message is written in English in the code and marked for the message
// catalog (po/): Tr("...") where it is used, N_("...") where a literal is
// only listed and Tr() translates it later, TrPlural("...", "...", n) where
// it counts something. A message with values takes them
// through Fill, whose "%s" (or "%1$s", "%2$s" ... where a translation orders
// them differently) the catalog tools check:
//
//   return Status(ErrorNumber::kFileNotFound, Fill(Tr("There is no test.doc in %s."), folder));
//
// Until a translator is installed (platform/messages.h does it for the window
// and the command line), Tr returns the English text, as it does in tests.
// The texts the program has always shown in Chinese (captions, status texts)
// are not messages and are never marked.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

// Marks a literal for the catalog without translating it here.
#define N_(english) english

namespace quillmere {

// Returns the translation of `english`, or `english` itself; never null.
using Translator = const char* (*)(const char* english);
void SetTranslator(Translator translator);  // nullptr: English

const char* Tr(const char* english);

// A message that changes with a count: the form of it that `n` takes in the
// language in use ("%s row" or "%s rows" in English; Chinese has one form),
// as the catalog's Plural-Forms header says. Give the count to Fill too:
//
//   Fill(TrPlural("%s row", "%s rows", n), n)
using PluralTranslator = const char* (*)(const char* singular, const char* plural, unsigned long n);
void SetPluralTranslator(PluralTranslator translator);  // nullptr: English

const char* TrPlural(const char* singular, const char* plural, uint64_t n);

// `format` with every "%s" replaced by the next value and every "%N$s" by
// value N (from 1); "%%" is "%". A directive without a value stays as it is.
std::string FillValues(std::string_view format, std::initializer_list<std::string_view> values);

namespace translation_detail {
inline std::string_view AsText(std::string_view text) { return text; }
template <typename Number, typename = std::enable_if_t<std::is_arithmetic_v<Number>>>
std::string AsText(Number n) {
  return std::to_string(n);
}
}  // namespace translation_detail

// `first` and then `second`, as two sentences: a blank between them after
// a sentence in a Latin script, none after a Chinese one ("。").
std::string Sentences(std::string first, std::string_view second);

template <typename... Values>
std::string Fill(std::string_view format, const Values&... values) {
  using translation_detail::AsText;
  return FillValues(format, {std::string_view(AsText(values))...});
}

}  // namespace quillmere
