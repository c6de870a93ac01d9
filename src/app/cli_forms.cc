// quillmere forms DOCUMENT... [--folder DIR] [--table N|N-M|all]
// [--template BLANK] [--skip-failures] [--append [--prune]] [--progress]
// [--connection STRING]: the form of every document (a folder: the Word
// documents in it) into dt_form of DIR/data.mdb (or of the data source
// DIR/data.dsn or STRING names), one record per document, and DIR/cc.html
// showing them; with --append added to the records stored.
#include <climits>
#include <cstdlib>
#include <iostream>

#include "app/cli.h"
#include "app/cli_window.h"
#include "capture/document_list.h"
#include "capture/forms_command.h"
#include "output/dt_table.h"
#include "platform/encoding/unicode.h"
#include "platform/file_system.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere::cli {

namespace {

constexpr char kUsage[] =
    N_("usage: quillmere forms DOCUMENT... [--folder DIR] [--table N|N-M|all]\n"
       "                       [--template BLANK] [--skip-failures] [--append [--prune]]\n"
       "                       [--progress] [--connection STRING]\n"
       "  Reads every DOCUMENT (a folder: the .doc, .docx, .rtf and .odt files in it,\n"
       "  in name order) as a filled-in form and stores one record per document in\n"
       "  dt_form of DIR/data.mdb (DIR: the folder quillmere run uses by default):\n"
       "  document, then a column for each value, named by its label. The form is\n"
       "  table N (1 by default), tables N to M, or all tables of each document.\n"
       "  With --template, BLANK is the blank form: its cells with text are labels,\n"
       "  its empty cells and placeholders places for values. Without it, a cell that\n"
       "  reads the same in every document is a label. dt_form is made anew when its\n"
       "  columns differ; DIR/cc.html shows the records. A document that cannot be\n"
       "  read or does not fit the form stops the reading before anything is stored;\n"
       "  with --skip-failures it is left out and listed. With --append, the records\n"
       "  stored are kept and only the documents not stored, or whose content has\n"
       "  changed since, are stored; the form must name the values dt_form holds\n"
       "  (give --template, else the unchanged documents are read to learn the\n"
       "  labels). Records of documents not named stay, unless --prune removes them.\n"
       "  --progress, --connection and DIR/data.dsn work as for run.\n");

// What --table says: N, N-M or all.
std::optional<forms::TableChoice> TableChoiceOf(const Arguments& arguments, std::string* problem) {
  forms::TableChoice choice;
  if (arguments.values.count("--table") == 0) return choice;
  const std::string value = arguments.Value("--table");
  if (value == "all") {
    choice.all = true;
    return choice;
  }
  auto number = [](const std::string& text, int* out) {
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || text[0] < '0' || text[0] > '9' || n < 1 || n > INT_MAX) {
      return false;
    }
    *out = static_cast<int>(n);
    return true;
  };
  const size_t dash = value.find('-');
  const bool read = dash == std::string::npos
                        ? number(value, &choice.first) && number(value, &choice.last)
                        : number(value.substr(0, dash), &choice.first) &&
                              number(value.substr(dash + 1), &choice.last);
  if (read && choice.first <= choice.last) return choice;
  *problem = Fill(Tr("--table needs N, N-M (from 1 on, N not above M) or all, not \"%s\"."), value);
  return std::nullopt;
}

FolderUsed FormsFolderUsed(const std::u16string& folder, bool given) {
  const std::string where = files::NativePath(folder);
  if (given) return {folder, Fill(Tr("quillmere forms worked in the folder %s."), where)};
  return {folder, Fill(Tr("quillmere forms worked in the program's folder %s; give another: "
                          "--folder DIR"),
                       where)};
}

int Done(const FormState& form, const FolderUsed& used, const FormsRead& read, bool append) {
  for (const auto& [name, failure] : read.left_out) {
    std::cerr << Fill(Tr("left out %1$s: error %2$s: %3$s"), name, failure.code(),
                      failure.description())
              << "\n";
  }
  if (!read.labels_taken.empty()) {
    std::string labels;
    for (const std::u16string& label : read.labels_taken) {
      labels += (labels.empty() ? "" : ", ") + unicode::ToUtf8(label);
    }
    std::cout << Fill(Tr("One document and no blank form: these cells were taken as labels: %s"),
                      labels)
              << "\n";
  }
  const std::string preview = files::NativePath(files::PreviewFileName(used.folder));
  const std::string where = form.cn && form.cn->IsOdbc()
                                ? Fill(Tr("the data source \"%s\""), form.cn->data_source())
                                : DataMdbPath(used.folder);
  const size_t held = append ? read.held : read.documents;
  const std::string records = Fill(TrPlural("%s record", "%s records", held), held);
  const std::string values =
      Fill(TrPlural("%s value", "%s values", read.names.size()), read.names.size());
  if (append) {
    std::cout << Fill(Tr("dt_form of %1$s holds %2$s of %3$s each (%4$s); preview: %5$s"), where,
                      records, values, CountsText(read.appended), preview)
              << "\n";
    return 0;
  }
  std::cout << Fill(Tr("dt_form of %1$s holds %2$s of %3$s each; preview: %4$s"), where, records,
                    values, preview)
            << "\n";
  return 0;
}

}  // namespace

int Forms(const std::vector<std::string>& args) {
  if (AsksForHelp(args)) return Helped(kUsage);
  std::string problem;
  std::optional<Arguments> options =
      ParseArguments(args, {"--progress", "--skip-failures", "--append", "--prune"},
                     {"--folder", "--table", "--template", "--connection"}, &problem, true);
  std::optional<forms::TableChoice> tables =
      options ? TableChoiceOf(*options, &problem) : std::nullopt;
  if (tables && options->operands.empty()) problem = Tr("no document given.");
  if (tables && options->Has("--prune") && !options->Has("--append")) {
    problem = Tr("--prune works only with --append.");
  }
  if (!tables || !problem.empty()) return Misused(problem, kUsage);

  const bool given = !options->Value("--folder").empty();
  std::u16string folder;
  std::vector<std::string> documents;
  Status status = CommandFolder(options->Value("--folder"), &folder);
  if (status.ok()) status = ListDocuments(options->operands, files::Disk(), &documents);
  if (!status.ok()) return Failed(status);

  CommandLineWindow window(*options, 1, folder);
  const FormsOptions reading{*tables, options->Value("--template"), options->Has("--skip-failures"),
                             options->Has("--append"), options->Has("--prune")};
  FormsRead read;
  status = ReadForms(window.context(), documents, reading, &read);
  window.Done();
  const FolderUsed used = FormsFolderUsed(folder, given);
  if (!status.ok()) return Failed(status, used);
  return Done(window.form(), used, read, reading.append);
}

}  // namespace quillmere::cli
