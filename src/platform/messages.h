// Which language the messages speak, and whom they speak to.
//
// The window always speaks Chinese; the command line follows the locale.
// Translations come from the catalog msgfmt makes of po/LANG.po (GNU gettext),
// found beside the program: locale/ in the build tree, share/locale under the
// prefix it is installed in.
#pragma once

#include <string>

namespace quillmere::messages {

enum class Language { kEnglish, kChinese };

// The language the locale asks for: the first of LC_ALL, LC_MESSAGES and
// LANG that is set and not empty names it, and a name beginning with "zh"
// means Chinese. Anything else is English.
Language FromEnvironment();

// A failure says what to do next in the words of the window or of the
// command line.
enum class Reader { kCommandLine, kWindow };

// From now on Tr() answers in `language`, and advice is worded for
// `reader`. `catalog_folder` holds LANG/LC_MESSAGES/quillmere.mo; when
// empty it is looked for beside the program. Without a catalog the messages
// stay English.
void Use(Language language, Reader reader, const std::string& catalog_folder = "");

Reader CurrentReader();

}  // namespace quillmere::messages
