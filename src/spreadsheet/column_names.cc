#include "spreadsheet/column_names.h"

#include <unordered_map>
#include <unordered_set>

namespace quillmere::spreadsheet {

std::vector<std::string> HeadingNames(const std::vector<std::vector<std::string>>& header,
                                      const std::vector<std::string>& fallback) {
  std::vector<std::string> names;
  for (size_t k = 0; k < fallback.size(); ++k) {
    std::string name;
    const std::string* last = nullptr;
    for (const std::vector<std::string>& row : header) {
      if (k >= row.size() || row[k].empty() || (last != nullptr && *last == row[k])) continue;
      if (!name.empty()) name += " / ";
      name += row[k];
      last = &row[k];
    }
    names.push_back(name.empty() ? fallback[k] : name);
  }
  MakeUnique(names);
  return names;
}

void MakeUnique(std::vector<std::string>& names) {
  std::unordered_set<std::string> taken(names.begin(), names.end());
  std::unordered_map<std::string, int> seen;
  for (std::string& name : names) {
    int& count = seen[name];
    if (++count == 1) continue;
    std::string numbered;
    do {
      numbered = name + "_" + std::to_string(count++);
    } while (taken.count(numbered) != 0);
    --count;
    taken.insert(numbered);
    name = numbered;
  }
}

}  // namespace quillmere::spreadsheet
