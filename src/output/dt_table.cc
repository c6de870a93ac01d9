#include "output/dt_table.h"

#include "platform/adodb.h"
#include "platform/filename.h"

namespace quillmere {

std::string DtTableSchema(int columns) {
  const std::string limit = std::to_string(kMaxValueLength);
  std::string sql = "create table dt_table (";
  for (int k = 0; k < columns; ++k) {
    const std::string field = "field" + std::to_string(k);
    if (k > 0) sql += ", ";
    sql += field + " text(" + limit + ") check (length(" + field + ") <= " + limit + ")";
  }
  return sql + ")";
}

std::string DataMdbPath(std::u16string_view folder) {
  return files::NativePath(files::DatabaseFileName(folder));
}

Status CreateDataMdb(std::u16string_view folder, int columns) {
  if (columns < 1 || columns > kMaxColumns) {
    return Status(ErrorNumber::kTooManyColumns, "dt_table takes 1 to " +
                                                    std::to_string(kMaxColumns) + " columns, not " +
                                                    std::to_string(columns) + ".");
  }
  return adodb::CreateDatabase(DataMdbPath(folder), DtTableSchema(columns));
}

}  // namespace quillmere
