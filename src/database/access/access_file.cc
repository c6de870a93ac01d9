#include "database/access/access_file.h"

#include <mdbtools.h>

#include <memory>

#include "platform/file_system.h"
#include "platform/translation.h"

namespace quillmere::access {

namespace {

struct CloseMdb {
  void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct FreeTable {
  void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

// The user tables of the file, comma-separated, for a message.
std::string TableNames(MdbHandle* mdb) {
  std::string names;
  if (mdb_read_catalog(mdb, MDB_TABLE) == nullptr) return names;
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) continue;
    names += (names.empty() ? "" : ", ") + std::string(entry->object_name);
  }
  return names;
}

}  // namespace

bool IsAccessFile(const std::string& path) {
  std::string head;
  if (!files::Disk().ReadFileHead(path, 19, &head).ok() || head.size() < 19) return false;
  return head.compare(4, 15, "Standard Jet DB") == 0 || head.compare(4, 15, "Standard ACE DB") == 0;
}

Status ReadTable(const std::string& path, const std::string& name,
                 std::vector<std::string>* columns, const std::function<Status(const Row&)>& row) {
  std::string head;
  QM_RETURN_IF_ERROR(files::Disk().ReadFileHead(path, 19, &head));
  if (!IsAccessFile(path)) {
    return Status(ErrorNumber::kNotADatabase,
                  Fill(Tr("\"%s\" is not a Microsoft Access (Jet) database."), path));
  }
  std::unique_ptr<MdbHandle, CloseMdb> mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
  if (!mdb) {
    return Status(ErrorNumber::kNotADatabase,
                  Fill(Tr("The Microsoft Access database \"%s\" cannot be read; it may be "
                          "damaged."),
                       path));
  }
  mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
  std::string table_name = name;
  std::unique_ptr<MdbTableDef, FreeTable> table(
      mdb_read_table_by_name(mdb.get(), table_name.data(), MDB_TABLE));
  if (!table) {
    return Status(ErrorNumber::kNoSuchTable,
                  Fill(Tr("The Microsoft Access database \"%1$s\" has no table \"%2$s\"; its "
                          "tables: %3$s. Choose one with --table NAME."),
                       path, name, TableNames(mdb.get())));
  }
  mdb_read_columns(table.get());
  mdb_rewind_table(table.get());
  const unsigned count = table->num_cols;
  std::vector<std::string> bound(count, std::string(MDB_BIND_SIZE, '\0'));
  std::vector<int> lengths(count, 0);
  columns->clear();
  for (unsigned c = 0; c < count; ++c) {
    auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
    columns->push_back(column->name);
    mdb_bind_column(table.get(), static_cast<int>(c) + 1, bound[c].data(), &lengths[c]);
  }
  Row values(count);
  while (mdb_fetch_row(table.get())) {
    for (unsigned c = 0; c < count; ++c) {
      auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
      if (lengths[c] <= 0 || column->col_type == MDB_OLE) {
        values[c].reset();
      } else {
        values[c].emplace(bound[c].data(), static_cast<size_t>(lengths[c]));
      }
    }
    QM_RETURN_IF_ERROR(row(values));
  }
  return Status();
}

}  // namespace quillmere::access
