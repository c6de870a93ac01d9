// The compound-file reader on any bytes: the header, FAT, DIFAT, mini FAT,
// directory and mini stream, then every stream a .doc reader asks for and
// the first directory entries by number.
//
// Checked: a failure has a number and a description; no stream read is
// larger than the file itself (rounded up to a sector).
#include <cstdint>
#include <string>

#include "document/word97/compound_file.h"
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillmere;
  using document::word97::CompoundFile;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CompoundFile file;
  Status opened = CompoundFile::Open(bytes, &file);
  fuzz::CheckReported(opened);
  if (!opened.ok()) return 0;

  std::string stream;
  auto read = [&](uint32_t entry) {
    Status status = file.ReadStream(entry, &stream);
    fuzz::CheckReported(status);
    if (status.ok()) QM_FUZZ_CHECK(stream.size() <= size + 4096);
  };
  for (std::u16string_view name : {u"WordDocument", u"1Table", u"0Table", u"Data",
                                   u"EncryptedPackage", u"\x05SummaryInformation"}) {
    if (std::optional<uint32_t> entry = file.FindStream(name)) read(*entry);
  }
  for (uint32_t entry = 0; entry < 32; ++entry) read(entry);
  return 0;
}
