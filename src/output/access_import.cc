#include "output/access_import.h"

#include <memory>

#include "database/access/access_file.h"
#include "database/adodb.h"
#include "output/dt_table.h"
#include "output/opendatabase.h"
#include "platform/encoding/unicode.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

// "insert into dt_table (field0,...) values('...',null,...)" for one row.
std::u16string InsertStatement(const access::Row& row) {
  std::string fields, values;
  for (size_t k = 0; k < row.size(); ++k) {
    fields += (k ? "," : "") + std::string("field") + std::to_string(k);
    values += k ? "," : "";
    if (!row[k]) {
      values += "null";
      continue;
    }
    values += "'";
    for (char c : *row[k]) values += c == '\'' ? std::string("''") : std::string(1, c);
    values += "'";
  }
  return unicode::FromUtf8("insert into dt_table (" + fields + ") values(" + values + ")");
}

// The new data.mdb, opened, with a transaction begun; removed again (through
// `file_system`) unless Commit succeeds.
class NewDataMdb {
 public:
  NewDataMdb(std::u16string_view folder, files::FileSystem& file_system)
      : folder_(folder), file_system_(file_system) {}
  ~NewDataMdb() {
    if (!made_ || committed_) return;
    cn_.reset();
    (void)file_system_.Remove(DataMdbPath(folder_));
    (void)file_system_.Remove(DataMdbPath(folder_) + "-journal");
  }

  bool made() const { return made_; }
  Status Make(size_t columns) {
    QM_RETURN_IF_ERROR(CreateDataMdb(folder_, static_cast<int>(columns)));
    made_ = true;
    Status opened;
    if (!opendatabase(cn_, files::kDatabaseName, u"", folder_, &opened)) return opened;
    return cn_->BeginTrans();
  }
  Status Insert(const access::Row& row) {
    return cn_->Execute(InsertStatement(row), adodb::kOptionUnspecified);
  }
  Status Commit() {
    QM_RETURN_IF_ERROR(cn_->CommitTrans());
    committed_ = true;
    return Status();
  }

 private:
  std::u16string folder_;
  files::FileSystem& file_system_;
  std::unique_ptr<adodb::Connection> cn_;
  bool made_ = false;
  bool committed_ = false;
};

}  // namespace

Status ImportAccessTable(const std::string& access_path, std::u16string_view folder,
                         const std::string& table, int64_t* rows, files::FileSystem& file_system) {
  *rows = 0;
  if (file_system.Exists(DataMdbPath(folder))) {
    return Status(ErrorNumber::kFileExists,
                  Fill(Tr("\"%s\" already exists; it is left as it is. Give another folder, or "
                          "move it away first."),
                       DataMdbPath(folder)));
  }
  NewDataMdb data_mdb(folder, file_system);
  std::vector<std::string> columns;
  QM_RETURN_IF_ERROR(access::ReadTable(access_path, table, &columns, [&](const access::Row& row) {
    Status made = data_mdb.made() ? Status() : data_mdb.Make(columns.size());
    ++*rows;
    return made.ok() ? data_mdb.Insert(row) : made;
  }));
  if (!data_mdb.made()) QM_RETURN_IF_ERROR(data_mdb.Make(columns.size()));
  return data_mdb.Commit();
}

}  // namespace quillmere
