// What a form cell's text says by its look alone: a place left for a value
// (a placeholder, or a hint such as "年 月 日"), or a group of check-box
// options and which of them are chosen.
#pragma once

#include <string>
#include <string_view>

namespace quillmere::forms {

// Whether `text` holds nothing but placeholders: "{{name}}", "${name}",
// "$NAME$", "«name»" (a MERGEFIELD's result), runs of underscores, blanks.
bool IsPlaceholder(std::u16string_view text);

// The name inside `text` when it is one placeholder ("name" of
// "{{name}}"), else empty.
std::u16string PlaceholderName(std::u16string_view text);

// Whether `text` is only a hint of what to write: the words of a date
// ("年 月 日", "自 年 月 日 至 年 月 日") or one unit ("万元", "M²",
// "（场）"), between blanks, brackets and placeholders.
bool IsHint(std::u16string_view text);

// Whether `text` is a quantity: digits, with no more than units, the words
// of a date and signs ("200009", "8年", "2011年6月6日", "16.6%").
bool IsQuantity(std::u16string_view text);

// Whether `text` is made of check-box options: it holds a box (☐ □ ☑ ☒,
// as typed, from a symbol font, a content control or a form field), or at
// least two marks among boxes, ■, ✓, √ and brackets left for a tick
// ("居住（ ）", "居住（√）").
bool IsOptions(std::u16string_view text);

// The texts of the chosen options of `text` (☑ ☒ ■ ✓ √ and "（√）" choose),
// joined by "、"; empty when none is chosen. An option's text follows its
// box when the text begins with a box ("□是 ■否"), else it is the word
// before the box ("是□ 否■", "居住（√）"). A chosen box without words of its
// own gives "☑".
std::u16string ChosenOptions(std::u16string_view text);

}  // namespace quillmere::forms
