#include "output/stored_tables.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "convert/header_rows.h"
#include "database/sql_literals.h"
#include "platform/encoding/unicode.h"

namespace quillmere {

namespace {

using sql::Quoted;

Status Run(adodb::Connection& cn, const std::string& sql,
           std::unique_ptr<adodb::Recordset>* rows = nullptr) {
  return cn.Execute(unicode::FromUtf8(sql), adodb::kOptionUnspecified, rows);
}

std::string ValueOf(const adodb::Recordset& rows, size_t record, size_t field) {
  return unicode::ToUtf8(rows.Value(record, field).value_or(u""));
}

int64_t NumberOf(const adodb::Recordset& rows, size_t record, size_t field) {
  const std::string text = ValueOf(rows, record, field);
  int64_t n = 0;
  std::from_chars(text.data(), text.data() + text.size(), n);
  return n;
}

// dt_stored (or its column dt_table_digest) and dt_heading, where `found`
// says they are missing.
Status CreateStoredTables(adodb::Connection& cn, StoredTablesFound found) {
  const bool server = cn.DbmsName() != "SQLite";
  const std::string name = server ? "varchar(64)" : "text";
  const std::string word = server ? "varchar(16)" : "text";
  const std::string heading = server ? "varchar(200)" : "text";
  if (!found.stored) {
    QM_RETURN_IF_ERROR(Run(cn, "create table dt_stored (stored_table " + name + ", command " +
                                   word +
                                   ", sequence integer, header_rows integer, row_count integer, "
                                   "digest " +
                                   word + ", dt_table_digest " + word + ")"));
  } else if (!found.dt_table_digest) {
    QM_RETURN_IF_ERROR(Run(cn, "alter table dt_stored add column dt_table_digest " + word));
  }
  if (found.heading) return Status();
  return Run(cn, "create table dt_heading (stored_table " + name +
                     ", header_row integer, field integer, heading " + heading + ")");
}

}  // namespace

void RowDigest::Add(std::span<const std::optional<std::string_view>> row) {
  size_t used = row.size();
  while (used > 0 && !row[used - 1]) --used;
  bytes_.clear();
  for (const std::optional<std::string_view>& value : row.first(used)) {
    // The length in 8 bytes, least significant first, on every machine.
    const uint64_t length = value ? value->size() : ~uint64_t{0};
    for (int shift = 0; shift < 64; shift += 8) {
      bytes_.push_back(static_cast<char>(length >> shift));
    }
    if (value) bytes_.append(*value);
  }
  sum_ += XXH3_64bits(bytes_.data(), bytes_.size());
  ++rows_;
}

std::string DigestHex(uint64_t digest) {
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(digest));
  return hex;
}

Status DigestTable(adodb::Connection& cn, std::string_view table, RowDigest* digest) {
  return cn.ReadRows(unicode::FromUtf8("select * from " + std::string(table)),
                     [&](const adodb::RowValues& row) {
                       digest->Add(row);
                       return Status();
                     });
}

StoredTablesFound FindStoredTables(adodb::Connection& cn) {
  std::unique_ptr<adodb::Recordset> rows;
  auto there = [&](const char* select) { return Run(cn, select, &rows).ok(); };
  return {there("select * from dt_stored where 1=0"),
          there("select dt_table_digest from dt_stored where 1=0"),
          there("select * from dt_heading where 1=0"), there("select * from dt_table where 1=0")};
}

Status RecordStoredTable(adodb::Connection& cn, StoredTablesFound found, StoredTable stored) {
  RowDigest digest;
  QM_RETURN_IF_ERROR(DigestTable(cn, stored.table, &digest));
  std::string dt_table_digest = "NULL";
  if (stored.table == "dt_table") {
    dt_table_digest = Quoted(DigestHex(digest.value()));
  } else if (found.dt_table) {
    RowDigest table;
    QM_RETURN_IF_ERROR(DigestTable(cn, "dt_table", &table));
    dt_table_digest = Quoted(DigestHex(table.value()));
  }
  QM_RETURN_IF_ERROR(CreateStoredTables(cn, found));
  std::unique_ptr<adodb::Recordset> last;
  QM_RETURN_IF_ERROR(Run(cn, "select max(sequence) from dt_stored", &last));
  const int64_t sequence = (last->RecordCount() == 1 ? NumberOf(*last, 0, 0) : 0) + 1;
  const std::string table = Quoted(stored.table);
  QM_RETURN_IF_ERROR(Run(cn, "delete from dt_stored where stored_table = " + table));
  QM_RETURN_IF_ERROR(Run(cn, "delete from dt_heading where stored_table = " + table));
  QM_RETURN_IF_ERROR(
      Run(cn,
          "insert into dt_stored (stored_table, command, sequence, header_rows, "
          "row_count, digest, dt_table_digest) values (" +
              table + ", " + Quoted(stored.command) + ", " + std::to_string(sequence) + ", " +
              std::to_string(stored.header.size()) + ", " + std::to_string(digest.rows()) + ", " +
              Quoted(DigestHex(digest.value())) + ", " + dt_table_digest + ")"));
  for (size_t r = 0; r < stored.header.size(); ++r) {
    for (size_t k = 0; k < stored.header[r].size(); ++k) {
      QM_RETURN_IF_ERROR(
          Run(cn, "insert into dt_heading (stored_table, header_row, field, heading) values (" +
                      table + ", " + std::to_string(r + 1) + ", " + std::to_string(k) + ", " +
                      Quoted(stored.header[r][k]) + ")"));
    }
  }
  return Status();
}

Status ReadStoredTable(adodb::Connection& cn, std::string_view table,
                       std::optional<StoredTable>* stored) {
  stored->reset();
  std::unique_ptr<adodb::Recordset> rows;
  const std::string where = " where stored_table = " + Quoted(table);
  if (!Run(cn, "select command, header_rows, row_count, digest from dt_stored" + where, &rows)
           .ok() ||
      rows->RecordCount() == 0) {
    return Status();
  }
  StoredTable note;
  note.table = table;
  note.command = ValueOf(*rows, 0, 0);
  note.header.resize(
      static_cast<size_t>(std::clamp<int64_t>(NumberOf(*rows, 0, 1), 0, kMaxHeaderRows)));
  note.row_count = NumberOf(*rows, 0, 2);
  const std::string digest = ValueOf(*rows, 0, 3);
  std::from_chars(digest.data(), digest.data() + digest.size(), note.digest, 16);
  QM_RETURN_IF_ERROR(Run(cn, "select header_row, field, heading from dt_heading" + where, &rows));
  for (size_t r = 0; r < rows->RecordCount(); ++r) {
    const int64_t row = NumberOf(*rows, r, 0), field = NumberOf(*rows, r, 1);
    if (row < 1 || row > static_cast<int64_t>(note.header.size()) || field < 0) continue;
    std::vector<std::string>& cells = note.header[static_cast<size_t>(row - 1)];
    if (cells.size() <= static_cast<size_t>(field)) cells.resize(static_cast<size_t>(field) + 1);
    cells[static_cast<size_t>(field)] = ValueOf(*rows, r, 2);
  }
  *stored = std::move(note);
  return Status();
}

std::optional<StoredTable> LastStoredTable(adodb::Connection& cn) {
  std::unique_ptr<adodb::Recordset> rows;
  // Every column, so that a dt_stored made before dt_table_digest was kept
  // is read too.
  if (!Run(cn, "select * from dt_stored order by sequence desc", &rows).ok() ||
      rows->RecordCount() == 0) {
    return std::nullopt;
  }
  StoredTable last;
  for (size_t f = 0; f < rows->FieldCount(); ++f) {
    const std::u16string name = rows->FieldName(f);
    std::string* value = name == u"stored_table"      ? &last.table
                         : name == u"command"         ? &last.command
                         : name == u"dt_table_digest" ? &last.dt_table_digest
                                                      : nullptr;
    if (value != nullptr) *value = ValueOf(*rows, 0, f);
  }
  return last;
}

Status DtTableStoredSince(adodb::Connection& cn, const StoredTable& last, bool* since) {
  *since = false;
  if (last.dt_table_digest.empty()) return Status();
  RowDigest now;
  // No dt_table to read: nothing has stored it since.
  if (!DigestTable(cn, "dt_table", &now).ok()) return Status();
  *since = DigestHex(now.value()) != last.dt_table_digest;
  return Status();
}

}  // namespace quillmere
