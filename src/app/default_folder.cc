#include "app/default_folder.h"

#include "output/dt_table.h"
#include "platform/app_folder.h"
#include "platform/program_paths.h"

namespace quillmere {

Status DefaultFolder(std::u16string* folder) {
  const files::ProgramSite site = files::ThisProgram();
  const std::string chosen = files::ChooseApplicationFolder(site);
  *folder = files::ProgramPath(chosen);
  if (chosen == site.folder) return Status();  // the program's own folder, as it always was
  return files::MakeUserFolder(chosen, site.sample, [](const std::string& made) {
    return CreateDataMdb(files::ProgramPath(made), kDefaultColumns);
  });
}

}  // namespace quillmere
