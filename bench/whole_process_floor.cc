// The floor of the whole-process benchmark (whole_process_bench): the least a
// fresh process must do for each half of `quillmere convert`.
//
//   whole_process_floor scan FILE
//       reads the markup file and scans it once (counting "<");
//   whole_process_floor insert FOLDER ascii|chinese ROWS
//       inserts the rows a run of that benchmarks' table stores (word_tables.h)
//       into dt_table of FOLDER/data.mdb through one prepared statement in one
//       transaction, as SQLite does it at best: no conversion, no statement
//       text, no preview page;
//   whole_process_floor xlsx FILE ascii|chinese ROWS
//       has libxlsxwriter alone write the same rows, every cell a string, to
//       the workbook FILE in its constant-memory mode, its working files
//       beside FILE, below a header row of field names: the cells are made
//       first, then the writing is timed on its own ("write_seconds S").
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "word_tables.h"

namespace {

// Reads the file a mebibyte at a time into one buffer (no memory of the
// file's size is needed, as `quillmere convert` needs none) and counts "<".
int Scan(const char* path) {
  constexpr size_t kPiece = size_t{1} << 20;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 1;
  std::unique_ptr<char[]> piece(new char[kPiece]);
  size_t bytes = 0, tags = 0;
  for (ssize_t n; (n = ::read(fd, piece.get(), kPiece)) != 0;) {
    if (n < 0) return 1;
    bytes += static_cast<size_t>(n);
    for (const char* p = piece.get();
         (p = static_cast<const char*>(std::memchr(p, '<', piece.get() + n - p))) != nullptr; ++p) {
      ++tags;
    }
  }
  ::close(fd);
  std::cout << bytes << " bytes, " << tags << " tags\n";
  return 0;
}

bool Ok(sqlite3* db, int rc, const char* what) {
  if (rc == SQLITE_OK || rc == SQLITE_DONE) return true;
  std::cerr << what << ": " << sqlite3_errmsg(db) << "\n";
  return false;
}

int Insert(const std::string& folder, quillmere::BenchText texts, int rows) {
  sqlite3* db = nullptr;
  const std::string path = folder + "/data.mdb";
  if (!Ok(db, sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), "open") ||
      !Ok(db, sqlite3_exec(db, "BEGIN IMMEDIATE; delete from dt_table", nullptr, nullptr, nullptr),
          "begin")) {
    return 1;
  }
  std::string sql = "insert into dt_table (";
  std::string values;
  for (int c = 0; c < quillmere::kBenchColumns; ++c) {
    sql += (c ? ",field" : "field") + std::to_string(c);
    values += c ? ",?" : "?";
  }
  sql += ") values(" + values + ")";
  sqlite3_stmt* insert = nullptr;
  if (!Ok(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr), "prepare")) return 1;
  const auto placed = quillmere::PlaceCells(quillmere::BenchTable(rows, texts));
  for (size_t r = 0; r < placed.size(); ++r) {
    const std::vector<std::string> row = quillmere::StoredRow(placed, r);
    for (size_t c = 0; c < row.size(); ++c) {
      sqlite3_bind_text(insert, static_cast<int>(c) + 1, row[c].data(),
                        static_cast<int>(row[c].size()), SQLITE_STATIC);
    }
    if (!Ok(db, sqlite3_step(insert), "insert")) return 1;
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  if (!Ok(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), "commit")) return 1;
  sqlite3_close(db);
  std::cout << placed.size() << " rows\n";
  return 0;
}

int Xlsx(const std::string& file, quillmere::BenchText texts, int rows) {
  const auto placed = quillmere::PlaceCells(quillmere::BenchTable(rows, texts));
  std::vector<std::vector<std::string>> cells;
  for (size_t r = 0; r < placed.size(); ++r) cells.push_back(quillmere::StoredRow(placed, r));
  const auto start = std::chrono::steady_clock::now();
  std::string folder = std::filesystem::path(file).parent_path().string();
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = folder.data();
  lxw_workbook* workbook = workbook_new_opt(file.c_str(), &options);
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "dt_table");
  for (int c = 0; c < quillmere::kBenchColumns; ++c) {
    worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c),
                           ("field" + std::to_string(c)).c_str(), nullptr);
  }
  for (size_t r = 0; r < cells.size(); ++r) {
    for (size_t c = 0; c < cells[r].size(); ++c) {
      worksheet_write_string(sheet, static_cast<lxw_row_t>(r + 1), static_cast<lxw_col_t>(c),
                             cells[r][c].c_str(), nullptr);
    }
  }
  if (workbook_close(workbook) != LXW_NO_ERROR) return 1;
  std::cout << "write_seconds "
            << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()
            << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string job = argc > 1 ? argv[1] : "";
  if (job == "scan" && argc == 3) return Scan(argv[2]);
  const std::string texts = argc == 5 ? argv[3] : "";
  using quillmere::BenchText;
  const BenchText text = texts == "chinese" ? BenchText::kChinese : BenchText::kAscii;
  if (job == "insert" && (texts == "ascii" || texts == "chinese")) {
    return Insert(argv[2], text, std::atoi(argv[4]));
  }
  if (job == "xlsx" && (texts == "ascii" || texts == "chinese")) {
    return Xlsx(argv[2], text, std::atoi(argv[4]));
  }
  std::cerr << "usage: whole_process_floor scan FILE | insert FOLDER ascii|chinese ROWS | xlsx "
               "FILE ascii|chinese ROWS\n";
  return 2;
}
