#include "document/docx/package.h"
#include "platform/translation.h"

#include <zip.h>

namespace quillmere::document::docx {

namespace {

constexpr zip_flags_t kLookup = ZIP_FL_NOCASE;
// A part this small is never refused for its ratio: it cannot hurt.
constexpr uint64_t kRatioFreeBytes = uint64_t{1} << 20;

std::string MiB(uint64_t bytes) { return std::to_string(bytes >> 20) + " MiB"; }

Status TooLarge(const char* name, uint64_t max_bytes) {
  return Status(ErrorNumber::kDocumentTooLarge,
                Fill(Tr("its part %1$s expands to more than %2$s and is refused (a ZIP bomb, or "
                        "far larger than any real document)."),
                     name, MiB(max_bytes)));
}

Status TooCompressed(const char* name, uint64_t max_ratio) {
  return Status(ErrorNumber::kDocumentTooLarge,
                Fill(Tr("its part %1$s expands to more than %2$s times its compressed size, far "
                        "more than XML does, and is refused as a ZIP bomb."),
                     name, max_ratio));
}

// The first limit `size` bytes from `compressed` bytes pass, if any.
Status CheckSize(const char* name, uint64_t size, uint64_t compressed, uint64_t max_bytes,
                 uint64_t max_ratio) {
  if (size > max_bytes) return TooLarge(name, max_bytes);
  if (max_ratio > 0 && size > kRatioFreeBytes && size / max_ratio > compressed) {
    return TooCompressed(name, max_ratio);
  }
  return Status();
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

Status ZipArchive::Stream(const char* name, uint64_t max_bytes, uint64_t max_ratio,
                          const Consumer& consume) const {
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat(archive_, name, kLookup, &stat) != 0) {
    return Status(ErrorNumber::kCorruptDocument, Fill(Tr("its part %s is missing."), name));
  }
  uint64_t compressed = (stat.valid & ZIP_STAT_COMP_SIZE) ? stat.comp_size : UINT64_MAX;
  if (stat.valid & ZIP_STAT_SIZE) {
    QM_RETURN_IF_ERROR(CheckSize(name, stat.size, compressed, max_bytes, max_ratio));
  }

  zip_file_t* file = zip_fopen_index(archive_, stat.index, 0);
  if (file == nullptr) {
    return Status(ErrorNumber::kCorruptDocument,
                  Fill(Tr("its part %1$s cannot be read (%2$s)."), name, zip_strerror(archive_)));
  }
  std::string buffer(1 << 16, '\0');
  uint64_t size = 0;
  Status status;
  for (;;) {
    zip_int64_t n = zip_fread(file, buffer.data(), buffer.size());
    if (n == 0) break;
    if (n < 0) {
      status = Status(ErrorNumber::kCorruptDocument,
                      Fill(Tr("its part %1$s is damaged (%2$s)."), name, zip_file_strerror(file)));
      break;
    }
    size += static_cast<uint64_t>(n);
    status = CheckSize(name, size, compressed, max_bytes, max_ratio);
    if (status.ok()) status = consume(std::string_view(buffer.data(), static_cast<size_t>(n)));
    if (!status.ok()) break;
  }
  zip_fclose(file);
  return status;
}

Status ZipArchive::Read(const char* name, uint64_t max_bytes, std::string* content,
                        uint64_t max_ratio) const {
  content->clear();
  Status status = Stream(name, max_bytes, max_ratio, [content](std::string_view piece) {
    content->append(piece);
    return Status();
  });
  if (!status.ok()) content->clear();
  return status;
}

}  // namespace quillmere::document::docx
