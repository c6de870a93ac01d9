#include "document/word97/fkp.h"

#include <algorithm>

#include "document/word97/little_endian.h"

namespace quillmere::document::word97 {
namespace {

constexpr uint64_t kPageSize = 512;
constexpr uint32_t kPageNumberMask = 0x3FFFFF;
constexpr int kParagraphEntrySize = 13;  // BxPap
constexpr int kCharacterEntrySize = 1;

// The sorted, distinct page numbers the bin table lists.
std::vector<uint32_t> PageNumbers(std::string_view table_stream, FcLcb bins) {
  LittleEndian table(table_stream);
  std::vector<uint32_t> pages;
  if (bins.lcb < 4 || !table.Has(bins.fc, bins.lcb)) return pages;
  uint64_t count = (bins.lcb - 4) / 8;
  uint64_t numbers = bins.fc + 4 * (count + 1);
  for (uint64_t i = 0; i < count; ++i)
    pages.push_back(table.U32(numbers + 4 * i) & kPageNumberMask);
  std::sort(pages.begin(), pages.end());
  pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
  return pages;
}

// The grpprl of run `index` of a page: empty when it has none, or when it
// would reach into the run count in the page's last byte. A paragraph run's
// style goes to `istd`.
std::string_view RunSprms(FkpKind kind, const LittleEndian& page, uint64_t entries, int index,
                          uint16_t* istd) {
  uint64_t start = 0, size = 0;
  if (kind == FkpKind::kCharacter) {
    uint64_t at = 2 * uint64_t{page.U8(entries + index)};
    if (at == 0) return {};
    start = at + 1;
    size = page.U8(at);
  } else {
    uint64_t at = 2 * uint64_t{page.U8(entries + kParagraphEntrySize * index)};
    if (at == 0) return {};
    // PapxInFkp: cb, then 2*cb-1 bytes; or cb = 0 and the next byte gives 2*cb'.
    size = 2 * uint64_t{page.U8(at)};
    start = at + 1;
    if (size == 0) {
      size = 2 * uint64_t{page.U8(at + 1)};
      start = at + 2;
    } else {
      size -= 1;
    }
    // The style index (istd) comes before the sprms.
    if (size < 2 || start + size > kPageSize - 1) return {};
    *istd = page.U16(start);
    start += 2;
    size -= 2;
  }
  if (start + size > kPageSize - 1) return {};
  return page.Slice(start, size);
}

void ReadPage(FkpKind kind, const LittleEndian& page, std::vector<FkpRun>* runs) {
  uint64_t count = page.U8(kPageSize - 1);
  int entry_size = kind == FkpKind::kParagraph ? kParagraphEntrySize : kCharacterEntrySize;
  uint64_t entries = 4 * (count + 1);
  if (count == 0 || entries + entry_size * count > kPageSize - 1) return;
  for (uint64_t i = 0; i < count; ++i) {
    FkpRun run{page.U32(4 * i), page.U32(4 * (i + 1)), {}, 0};
    if (run.end <= run.start) continue;
    run.sprms = RunSprms(kind, page, entries, static_cast<int>(i), &run.istd);
    runs->push_back(run);
  }
}

}  // namespace

std::vector<FkpRun> ReadFkpRuns(FkpKind kind, std::string_view word_document,
                                std::string_view table_stream, FcLcb bins) {
  LittleEndian stream(word_document);
  std::vector<FkpRun> runs;
  for (uint32_t number : PageNumbers(table_stream, bins)) {
    uint64_t at = uint64_t{number} * kPageSize;
    if (!stream.Has(at, kPageSize)) continue;
    ReadPage(kind, LittleEndian(stream.Slice(at, kPageSize)), &runs);
  }
  std::stable_sort(runs.begin(), runs.end(),
                   [](const FkpRun& a, const FkpRun& b) { return a.end < b.end; });
  runs.erase(std::unique(runs.begin(), runs.end(),
                         [](const FkpRun& a, const FkpRun& b) { return a.end == b.end; }),
             runs.end());
  return runs;
}

}  // namespace quillmere::document::word97
