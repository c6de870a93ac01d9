#include "capture/export_command.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>

#include "database/sql_literals.h"
#include "output/stored_tables.h"
#include "platform/encoding/unicode.h"
#include "platform/translation.h"
#include "spreadsheet/column_names.h"
#include "spreadsheet/csv_sheet.h"
#include "spreadsheet/xlsx_sheet.h"

namespace quillmere {

namespace {

using spreadsheet::SheetFormat;

// "field0", "field1", ...: the value columns of dt_table and dt_origin.
bool IsFieldName(std::string_view name) {
  return name.size() > 5 && name.substr(0, 5) == "field" &&
         name.find_first_not_of("0123456789", 5) == std::string_view::npos;
}

// A name as a select lists it: as it is when it is a plain one, else in
// double quotes (the names of dt_form are its labels).
std::string ColumnInSelect(const std::string& name) {
  if (!name.empty() &&
      name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") == std::string::npos) {
    return name;
  }
  return unicode::ToUtf8(sql::QuotedName(unicode::FromUtf8(name)));
}

// What an export reads: the table, the columns it writes (its own, less
// trailing field columns that hold nothing) and, for dt_table, the note of
// the collection that filled it, whose header may name them.
struct Plan {
  std::string table;
  std::vector<std::string> columns;  // all of the table's
  size_t used = 0;                   // how many of them hold values
  std::optional<StoredTable> note;

  // The columns written: the used ones, and with `header` every one it
  // names; at least one.
  std::vector<std::string> Written(const StoredTable* header) const {
    size_t width = used;
    if (header != nullptr) {
      for (const auto& row : header->header) width = std::max(width, row.size());
    }
    width = std::clamp<size_t>(width, 1, columns.size());
    return std::vector<std::string>(columns.begin(), columns.begin() + width);
  }

  std::string Select(const std::vector<std::string>& written) const {
    if (written.size() == columns.size()) return "select * from " + table;
    std::string select = "select ";
    for (size_t k = 0; k < written.size(); ++k) {
      select += (k > 0 ? ", " : "") + ColumnInSelect(written[k]);
    }
    return select + " from " + table;
  }
};

Status Execute(adodb::Connection& cn, const std::string& sql,
               std::unique_ptr<adodb::Recordset>* rows) {
  return cn.Execute(unicode::FromUtf8(sql), adodb::kOptionUnspecified, rows);
}

Status ChooseTable(adodb::Connection& cn, const std::string& named, Exported* exported) {
  if (!named.empty()) {
    if (std::find(std::begin(kExportableTables), std::end(kExportableTables), named) ==
        std::end(kExportableTables)) {
      return Status(ErrorNumber::kNoSuchTable,
                    Fill(Tr("\"%s\" is not a table the export writes: name dt_table, dt_origin "
                            "or dt_form."),
                         named));
    }
    exported->table = named;
    return Status();
  }
  const std::optional<StoredTable> last = LastStoredTable(cn);
  exported->table = "dt_table";
  if (!last) return Status();
  exported->default_after = last->command;
  if (last->table != "dt_form") return Status();
  // A run stores dt_table and notes nothing: it shows in dt_table's digest.
  QM_RETURN_IF_ERROR(DtTableStoredSince(cn, *last, &exported->dt_table_since));
  if (!exported->dt_table_since) exported->table = "dt_form";
  return Status();
}

// How many of the plan's columns hold a value: trailing field columns that
// are NULL in every row do not count (a narrower table leaves them NULL).
Status CountUsedColumns(adodb::Connection& cn, const Plan& plan, size_t* used) {
  size_t first = plan.columns.size();
  while (first > 0 && IsFieldName(plan.columns[first - 1])) --first;
  *used = first;
  if (first == plan.columns.size()) return Status();
  std::string counts;
  for (size_t k = first; k < plan.columns.size(); ++k) {
    counts += (k > first ? ", count(" : "count(") + plan.columns[k] + ")";
  }
  std::unique_ptr<adodb::Recordset> rows;
  QM_RETURN_IF_ERROR(Execute(cn, "select " + counts + " from " + plan.table, &rows));
  for (size_t k = first; k < plan.columns.size() && rows->RecordCount() == 1; ++k) {
    if (rows->Value(0, k - first).value_or(u"0") != u"0") *used = k + 1;
  }
  return Status();
}

Status MakePlan(adodb::Connection& cn, const std::string& table, Plan* plan) {
  plan->table = table;
  std::unique_ptr<adodb::Recordset> none;
  Status read = Execute(cn, "select * from " + table + " where 1=0", &none);
  if (!read.ok()) {
    return Status(read.number(),
                  Sentences(Fill(Tr("%1$s of \"%2$s\" cannot be read."), table, cn.data_source()),
                            read.description()));
  }
  for (size_t f = 0; f < none->FieldCount(); ++f) {
    plan->columns.push_back(unicode::ToUtf8(none->FieldName(f)));
  }
  if (table == "dt_table") {
    QM_RETURN_IF_ERROR(ReadStoredTable(cn, table, &plan->note));
    // A header without a heading (its first row data, or blank) names nothing.
    if (plan->note && std::all_of(plan->note->header.begin(), plan->note->header.end(),
                                  [](const std::vector<std::string>& row) {
                                    return std::all_of(
                                        row.begin(), row.end(),
                                        [](const std::string& h) { return h.empty(); });
                                  })) {
      plan->note.reset();
    }
  }
  return CountUsedColumns(cn, *plan, &plan->used);
}

// Whether `row` holds the header row `heading` (cells beyond it NULL), as
// each collected document's own lower header rows are stored.
bool RepeatsHeading(const adodb::RowValues& row, const std::vector<std::string>& heading) {
  if (heading.size() > row.size() ||
      std::all_of(heading.begin(), heading.end(), [](const std::string& h) { return h.empty(); })) {
    return false;
  }
  for (size_t k = 0; k < row.size(); ++k) {
    if (k < heading.size() ? !row[k] || *row[k] != heading[k] : row[k].has_value()) return false;
  }
  return true;
}

// Writes the plan's table as a sheet to `path`; with `header`, its columns
// named by it and the rows that repeat one of its lower rows left out.
// `digest` receives every row read.
class TableWriter {
 public:
  TableWriter(adodb::Connection& cn, const Plan& plan, Exported* exported)
      : cn_(cn), plan_(plan), exported_(exported) {}

  Status Write(SheetFormat format, const std::string& path, const std::string& working_folder,
               files::FileSystem& file_system, const StoredTable* header, RowDigest* digest) {
    header_ = header;
    digest_ = digest;
    if (format == SheetFormat::kCsv) {
      return file_system.WriteWholeFileInPieces(path,
                                                [&](const files::FileSystem::PieceWriter& write) {
                                                  spreadsheet::CsvSheet sheet(write);
                                                  QM_RETURN_IF_ERROR(Fill(sheet));
                                                  return sheet.Finish();
                                                });
    }
    std::unique_ptr<spreadsheet::XlsxSheet> sheet;
    QM_RETURN_IF_ERROR(spreadsheet::XlsxSheet::Create(path, working_folder, plan_.table, &sheet));
    QM_RETURN_IF_ERROR(Fill(*sheet));
    return sheet->Finish();
  }

 private:
  Status Fill(spreadsheet::Sheet& sheet) {
    const std::vector<std::string> columns = plan_.Written(header_);
    QM_RETURN_IF_ERROR(sheet.Headings(
        header_ != nullptr ? spreadsheet::HeadingNames(header_->header, columns) : columns));
    exported_->rows = exported_->repeated_headings = 0;
    return cn_.ReadRows(unicode::FromUtf8(plan_.Select(columns)), [&](const adodb::RowValues& row) {
      digest_->Add(row);
      if (header_ != nullptr &&
          std::any_of(header_->header.begin() + 1, header_->header.end(),
                      [&](const auto& heading) { return RepeatsHeading(row, heading); })) {
        ++exported_->repeated_headings;
        return Status();
      }
      ++exported_->rows;
      return sheet.Row(row);
    });
  }

  adodb::Connection& cn_;
  const Plan& plan_;
  Exported* exported_;
  const StoredTable* header_ = nullptr;
  RowDigest* digest_ = nullptr;
};

Status InTheWay(const std::string& file) {
  return Status(ErrorNumber::kFileExists,
                Sentences(files::ExistsAlready(file).description(),
                          Tr("Give --force to replace it, or name another file.")));
}

}  // namespace

Status ExportTable(adodb::Connection& cn, const ExportRequest& request,
                   files::FileSystem& file_system, Exported* exported) {
  *exported = Exported();
  const std::optional<SheetFormat> format = spreadsheet::FormatOfFile(request.file);
  if (!format) {
    return Status(ErrorNumber::kSheetFormat,
                  Fill(Tr("\"%s\" ends neither in .xlsx nor in .csv: name the file FILE.xlsx for "
                          "an Excel workbook or FILE.csv for a CSV file."),
                       request.file));
  }
  if (!request.force && file_system.Exists(request.file)) return InTheWay(request.file);
  QM_RETURN_IF_ERROR(ChooseTable(cn, request.table, exported));
  Plan plan;
  QM_RETURN_IF_ERROR(MakePlan(cn, exported->table, &plan));

  const std::filesystem::path file(request.file);
  const std::string folder = file.has_parent_path() ? file.parent_path().string() : ".";
  std::string working;
  QM_RETURN_IF_ERROR(file_system.MakeWorkingFolder(folder, ".quillmere-export-", &working));
  const std::string partial = working + "/" + file.filename().string();
  TableWriter writer(cn, plan, exported);
  RowDigest digest;
  const StoredTable* header = plan.note ? &*plan.note : nullptr;
  Status status = writer.Write(*format, partial, working, file_system, header, &digest);
  if (header != nullptr) {
    exported->names = Exported::Names::kHeader;
    if (status.ok() && (digest.rows() != header->row_count || digest.value() != header->digest)) {
      // dt_table has changed since (a run, say): its header is not of these
      // rows. Written again with the field names.
      exported->names = Exported::Names::kFieldsSince;
      digest = RowDigest();
      status = file_system.Remove(partial);
      if (status.ok()) {
        status = writer.Write(*format, partial, working, file_system, nullptr, &digest);
      }
    }
  } else if (plan.table == "dt_table") {
    exported->names = Exported::Names::kFields;
  }
  if (status.ok()) {
    status = request.force ? file_system.Rename(partial, request.file)
                           : file_system.RenameNoReplace(partial, request.file);
    if (status.number() == ErrorNumber::kFileExists) status = InTheWay(request.file);
  }
  (void)file_system.RemoveFolder(working);
  return status;
}

}  // namespace quillmere
