#include "platform/document/docx/package.h"
#include "platform/translation.h"

#include <zip.h>

namespace quillmere::document {

namespace {

constexpr zip_flags_t kLookup = ZIP_FL_NOCASE;

std::string MiB(uint64_t bytes) { return std::to_string(bytes >> 20) + " MiB"; }

Status TooLarge(const char* name, uint64_t max_bytes) {
  return Status(ErrorNumber::kDocumentTooLarge,
                Fill(Tr("its part %1$s expands to more than %2$s and is refused (a ZIP bomb, or "
                        "far larger than any real document)."),
                     name, MiB(max_bytes)));
}

}  // namespace

Status ZipArchive::Open(std::string_view bytes, std::unique_ptr<ZipArchive>* out) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
  if (archive == nullptr) {
    std::string reason = zip_error_strerror(&error);
    zip_error_fini(&error);
    if (source) zip_source_free(source);
    return Status(ErrorNumber::kCorruptDocument,
                  Fill(Tr("it starts like a ZIP archive, as a .docx does, but is damaged or "
                          "truncated (%s)."),
                       reason));
  }
  zip_error_fini(&error);
  out->reset(new ZipArchive(archive));
  return Status();
}

ZipArchive::~ZipArchive() { zip_discard(archive_); }

bool ZipArchive::Contains(const char* name) const {
  return zip_name_locate(archive_, name, kLookup) >= 0;
}

Status ZipArchive::Read(const char* name, uint64_t max_bytes, std::string* content) const {
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat(archive_, name, kLookup, &stat) != 0) {
    return Status(ErrorNumber::kCorruptDocument, Fill(Tr("its part %s is missing."), name));
  }
  if ((stat.valid & ZIP_STAT_SIZE) && stat.size > max_bytes) return TooLarge(name, max_bytes);

  zip_file_t* file = zip_fopen_index(archive_, stat.index, 0);
  if (file == nullptr) {
    return Status(ErrorNumber::kCorruptDocument,
                  Fill(Tr("its part %1$s cannot be read (%2$s)."), name, zip_strerror(archive_)));
  }
  content->clear();
  if (stat.valid & ZIP_STAT_SIZE) content->reserve(stat.size);
  char buffer[1 << 16];
  Status status;
  for (;;) {
    zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      status = Status(ErrorNumber::kCorruptDocument,
                      Fill(Tr("its part %1$s is damaged (%2$s)."), name, zip_file_strerror(file)));
      break;
    }
    if (content->size() + static_cast<uint64_t>(n) > max_bytes) {
      status = TooLarge(name, max_bytes);
      break;
    }
    content->append(buffer, static_cast<size_t>(n));
  }
  zip_fclose(file);
  if (!status.ok()) content->clear();
  return status;
}

}  // namespace quillmere::document
