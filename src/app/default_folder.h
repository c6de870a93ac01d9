// The application folder of a start that names none (platform/app_folder.h
// has the rule), made on the first start of an installed program.
#pragma once

#include <string>

#include "platform/status.h"

namespace quillmere {

// Sets `folder` (in the program's form) to the application folder. On the
// first start of an installed program that is a new ~/Quillmere, holding a
// data.mdb made as `quillmere newdb` makes it and the sample as test.doc; a
// failure to make it is returned with `folder` set all the same.
Status DefaultFolder(std::u16string* folder);

}  // namespace quillmere
