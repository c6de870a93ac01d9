// Status: the outcome of an operation that can fail.
//
// A failure carries a number and a description and travels as a value until
// the window or the command line shows it ("error NUMBER: DESCRIPTION").
// Numbers are grouped by the part of the system that reports them, so a user
// quoting one tells us where to look.
#pragma once

#include <string>
#include <utility>

namespace quillmere {

enum class ErrorNumber : int {
  kNone = 0,

  // Files and folders.
  kFileNotFound = 1001,
  kPermissionDenied = 1002,
  kFileIo = 1003,
  kDiskFull = 1004,
  kFileTooLarge = 1005,
  kFileExists = 1006,
  kNotAFile = 1007,
  kInvalidText = 1008,  // bytes not valid in the text file's encoding

  // Documents and the document server.
  kUnsupportedFormat = 2001,
  kPasswordProtected = 2002,
  kCorruptDocument = 2003,
  kDocumentTooLarge = 2004,
  kNoDocumentOpen = 2005,
  kConverterFailed = 2006,
  kConverterTimeout = 2007,

  // The database.
  kProviderNotSupported = 3001,
  kDatabaseNotFound = 3002,
  kNotADatabase = 3003,
  kDatabasePassword = 3004,
  kConnectionClosed = 3005,
  kStatementFailed = 3006,
  kDatabaseLocked = 3007,
  kValueTooLong = 3008,
  kDatabaseIo = 3009,
  kConnectionOpen = 3010,
  kDtTableTooNarrow = 3011,
  kServerUnreachable = 3012,
  kConnectionLost = 3013,
  kLoginRefused = 3014,
  kTableExists = 3015,
  kNoSuchTable = 3016,
  kCollectionReplaced = 3017,  // dt_table no longer holds what its collection stored

  // The conversion of a table.
  kNoRows = 4001,
  kNoColumns = 4002,
  kTooManyColumns = 4003,
  kTableNotInDocument = 4004,
  kRunCancelled = 4005,
  kMarkupTooLarge = 4006,
  kFormMismatch = 4007,       // a document whose form does not fit the others or the blank one
  kNoFormValues = 4008,       // a form with no cell left for a value
  kReadingDiffers = 4009,     // an append reads otherwise than the stored documents were
  kStoredFormDiffers = 4010,  // an append's form names other values than dt_form holds

  // The window's program.
  kNoDisplay = 5001,

  // Spreadsheets written from a table.
  kSheetFormat = 6001,    // a file kind no sheet is written in
  kSheetWrite = 6002,     // the spreadsheet library refused
  kSheetTooLarge = 6003,  // more rows, or a longer value, than a sheet holds
};

class [[nodiscard]] Status {
 public:
  Status() = default;  // success
  Status(ErrorNumber number, std::string description)
      : number_(number), description_(std::move(description)) {}

  bool ok() const { return number_ == ErrorNumber::kNone; }
  ErrorNumber number() const { return number_; }
  int code() const { return static_cast<int>(number_); }
  // UTF-8 text for the user.
  const std::string& description() const { return description_; }

  // "error NUMBER: DESCRIPTION", or "ok".
  std::string ToString() const {
    if (ok()) return "ok";
    return "error " + std::to_string(code()) + ": " + description_;
  }

 private:
  ErrorNumber number_ = ErrorNumber::kNone;
  std::string description_;
};

}  // namespace quillmere

// Returns from the enclosing function when `expr` yields a failure.
#define QM_RETURN_IF_ERROR(expr)             \
  do {                                       \
    ::quillmere::Status qm_status_ = (expr); \
    if (!qm_status_.ok()) return qm_status_; \
  } while (0)
