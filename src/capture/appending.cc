#include "capture/appending.h"

#include <set>

#include "platform/limits.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

// `first`, then `second`, as one list ("a, b").
std::string Listed(const std::string& first, const std::string& second) {
  return first.empty() ? second : Fill(Tr("%1$s, %2$s"), first, second);
}

// The reading the stored documents of `table` had, where one of them was
// read otherwise than `reading`; empty when none was.
std::string OtherReading(const StoredDocuments& stored, std::string_view reading) {
  for (const auto& [name, note] : stored) {
    if (!note.reading.empty() && note.reading != reading) return note.reading;
  }
  return {};
}

}  // namespace

std::string DocumentDigest(files::FileSystem& file_system, const std::string& path) {
  ContentDigest digest;
  Status read = file_system.ReadWholeFileInPieces(path, kMaxDocumentBytes,
                                                  [&](std::string_view piece, uint64_t) {
                                                    digest.Add(piece);
                                                    return Status();
                                                  });
  return read.ok() ? digest.Hex() : std::string();
}

Status PlanAppend(const StoredDocuments& stored, const std::vector<std::string>& names,
                  const std::vector<std::string>& digests, std::string_view reading,
                  std::string_view table, std::string_view command, AppendPlan* plan) {
  *plan = AppendPlan();
  if (const std::string other = OtherReading(stored, reading); !other.empty()) {
    return Status(
        ErrorNumber::kReadingDiffers,
        Fill(Tr("The documents stored in %1$s were read with \"%2$s\", these would be read with "
                "\"%3$s\": an append adds only documents read as the stored ones were. Give the "
                "same options, or run quillmere %4$s without --append to store these alone."),
             table, other, reading, command));
  }
  std::multiset<std::string_view> named(names.begin(), names.end());
  for (size_t d = 0; d < names.size(); ++d) {
    const auto note = stored.find(names[d]);
    Standing standing = Standing::kNew;
    if (note != stored.end()) {
      const bool known =
          !digests[d].empty() && !note->second.repeated && named.count(names[d]) == 1;
      standing =
          known && note->second.digest == digests[d] ? Standing::kUnchanged : Standing::kChanged;
    }
    plan->standing.push_back(standing);
    ++(standing == Standing::kNew       ? plan->counts.added
       : standing == Standing::kChanged ? plan->counts.changed
                                        : plan->counts.unchanged);
  }
  for (const auto& [name, note] : stored) {
    if (named.count(name) == 0) plan->gone.push_back(name);
  }
  plan->counts.gone = plan->gone.size();
  return Status();
}

Settled SettleCounts(const std::vector<Standing>& left_out, size_t stored, AppendCounts* counts) {
  size_t changed_left_out = 0;
  for (Standing standing : left_out) {
    if (standing == Standing::kNew) --counts->added;
    if (standing == Standing::kChanged) --counts->changed, ++changed_left_out;
  }
  const size_t pruned = counts->pruned ? counts->gone : 0;
  return {counts->unchanged + (counts->gone - pruned) + changed_left_out,
          stored - pruned + counts->added};
}

std::string CountsText(const AppendCounts& counts) {
  std::string text = Fill(TrPlural("%s new", "%s new", counts.added), counts.added);
  text = Listed(text, Fill(TrPlural("%s changed", "%s changed", counts.changed), counts.changed));
  text = Listed(text,
                Fill(TrPlural("%s unchanged", "%s unchanged", counts.unchanged), counts.unchanged));
  if (counts.gone == 0) return text;
  return Listed(text, counts.pruned
                          ? Fill(TrPlural("%s pruned", "%s pruned", counts.gone), counts.gone)
                          : Fill(TrPlural("%s kept though not named", "%s kept though not named",
                                          counts.gone),
                                 counts.gone));
}

std::string CountsStatus(const AppendCounts& counts) {
  return Fill(Tr("Documents: %s"), CountsText(counts));
}

std::vector<std::string> KeptLines(size_t kept, const AppendCounts& counts,
                                   std::string_view table) {
  std::vector<std::string> lines;
  if (kept > 0) {
    lines.push_back(Fill(TrPlural("%1$s other document keeps what %2$s holds of it, as it was; "
                                  "it is not shown here.",
                                  "%1$s other documents keep what %2$s holds of them, as it was; "
                                  "they are not shown here.",
                                  kept),
                         kept, table));
  }
  if (counts.pruned && counts.gone > 0) {
    lines.push_back(Fill(TrPlural("%1$s document not named this time was removed from %2$s "
                                  "(--prune).",
                                  "%1$s documents not named this time were removed from %2$s "
                                  "(--prune).",
                                  counts.gone),
                         counts.gone, table));
  }
  return lines;
}

}  // namespace quillmere
