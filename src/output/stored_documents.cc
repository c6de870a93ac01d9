#include "output/stored_documents.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <cstdio>
#include <set>

#include "database/sql_literals.h"
#include "platform/encoding/unicode.h"

namespace quillmere {

namespace {

using sql::Quoted;

// Names to a statement when deleting by name: short enough for any
// server's statement, few enough statements for thousands of names.
constexpr size_t kNamesPerStatement = 200;

Status Run(adodb::Connection& cn, const std::string& sql) {
  return cn.Execute(unicode::FromUtf8(sql), adodb::kOptionUnspecified);
}

Status CreateDocumentsTable(adodb::Connection& cn) {
  const bool server = cn.DbmsName() != "SQLite";
  auto text = [&](int length) {
    return server ? "varchar(" + std::to_string(length) + ")" : std::string("text");
  };
  return Run(cn, "create table dt_document (stored_table " + text(64) + ", document " + text(255) +
                     ", reading " + text(64) + ", digest " + text(32) + ")");
}

}  // namespace

struct ContentDigest::State {
  XXH3_state_t xxh;
};

ContentDigest::ContentDigest() : state_(std::make_unique<State>()) {
  XXH3_128bits_reset(&state_->xxh);
}

ContentDigest::~ContentDigest() = default;

void ContentDigest::Add(std::string_view piece) {
  XXH3_128bits_update(&state_->xxh, piece.data(), piece.size());
}

std::string ContentDigest::Hex() const {
  const XXH128_hash_t hash = XXH3_128bits_digest(&state_->xxh);
  char hex[33];
  std::snprintf(hex, sizeof hex, "%016llx%016llx", static_cast<unsigned long long>(hash.high64),
                static_cast<unsigned long long>(hash.low64));
  return hex;
}

bool FindDocumentsTable(adodb::Connection& cn) {
  std::unique_ptr<adodb::Recordset> none;
  return cn.Execute(u"select * from dt_document where 1=0", adodb::kOptionUnspecified, &none).ok();
}

Status ReadStoredDocuments(adodb::Connection& cn, std::string_view table, bool documents_table,
                           std::u16string_view names_select, bool notes_alone,
                           StoredDocuments* stored) {
  stored->clear();
  auto text = [](const std::optional<std::string_view>& value) {
    return std::string(value.value_or(""));
  };
  QM_RETURN_IF_ERROR(cn.ReadRows(names_select, [&](const adodb::RowValues& row) {
    stored->try_emplace(text(row[0]));
    return Status();
  }));
  if (!documents_table) return Status();
  std::set<std::string, std::less<>> noted;
  return cn.ReadRows(
      unicode::FromUtf8("select document, reading, digest from dt_document where stored_table = " +
                        Quoted(table)),
      [&](const adodb::RowValues& row) {
        std::string name = text(row[0]);
        if (!notes_alone && stored->count(name) == 0) return Status();
        DocumentNote& note = (*stored)[name];
        note.repeated = !noted.insert(name).second;
        note.reading = text(row[1]);
        note.digest = text(row[2]);
        return Status();
      });
}

Status DeleteNamed(adodb::Connection& cn, std::string_view table, std::string_view column,
                   const std::vector<std::string>& names, std::string_view also_where) {
  for (size_t first = 0; first < names.size(); first += kNamesPerStatement) {
    std::string sql = "delete from " + std::string(table) + " where ";
    if (!also_where.empty()) sql += std::string(also_where) + " and ";
    sql += std::string(column) + " in (";
    const size_t end = std::min(names.size(), first + kNamesPerStatement);
    for (size_t n = first; n < end; ++n) sql += (n > first ? ", " : "") + Quoted(names[n]);
    QM_RETURN_IF_ERROR(Run(cn, sql + ")"));
  }
  return Status();
}

Status ForgetDocuments(adodb::Connection& cn, std::string_view table, bool documents_table,
                       const std::vector<std::string>* names) {
  if (!documents_table) return Status();
  const std::string where = "stored_table = " + Quoted(table);
  if (names == nullptr) return Run(cn, "delete from dt_document where " + where);
  return DeleteNamed(cn, "dt_document", "document", *names, where);
}

Status NoteDocuments(adodb::Connection& cn, std::string_view table, bool documents_table,
                     std::string_view reading, const std::vector<NotedDocument>& documents) {
  if (!documents_table) QM_RETURN_IF_ERROR(CreateDocumentsTable(cn));
  constexpr std::u16string_view kShape =
      u"insert into dt_document (stored_table, document, reading, digest) values(?,?,?,?)";
  const std::u16string table16 = unicode::FromUtf8(table), reading16 = unicode::FromUtf8(reading);
  for (const NotedDocument& document : documents) {
    const std::u16string name = unicode::FromUtf8(document.name);
    const std::u16string digest = unicode::FromUtf8(document.digest);
    const std::string statement =
        "insert into dt_document (stored_table, document, reading, digest) values(" +
        Quoted(table) + "," + Quoted(document.name) + "," + Quoted(reading) + "," +
        Quoted(document.digest) + ")";
    QM_RETURN_IF_ERROR(cn.ExecuteWithValues(kShape, {table16, name, reading16, digest},
                                            unicode::FromUtf8(statement)));
  }
  return Status();
}

}  // namespace quillmere
