// Collecting again without starting over (collect --append, forms
// --append): which of the documents named are new, which have changed since
// they were stored and which are stored as they are, told by their names and
// the digests of their content (output/stored_documents.h), and how the
// commands say so.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "output/stored_documents.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace quillmere {

enum class Standing {
  kNew,        // not stored
  kChanged,    // stored, but its content is not what was stored (or unknown)
  kUnchanged,  // stored from the same content: not read again
};

// What an append did, or is about to do, with the documents.
struct AppendCounts {
  size_t added = 0;      // new documents (stored)
  size_t changed = 0;    // changed documents (whose rows were replaced)
  size_t unchanged = 0;  // kept as they were
  size_t gone = 0;       // stored but not named this time: kept, or pruned
  bool pruned = false;
};

// The digest of the file at `path` (native), its bytes read a piece at a
// time through `file_system`; empty when it cannot be read, for the
// document's reading to fail as it would have.
std::string DocumentDigest(files::FileSystem& file_system, const std::string& path);

// Each document named, by its `names` and `digests`, against the documents
// `stored` in `table` (dt_table, dt_form): its standing, and the stored
// names that were not named. A name that stands twice (two documents whose
// long names end alike) is never taken for unchanged. Fails
// (kReadingDiffers) when the stored documents were read otherwise than
// `reading` says these would be, naming `command` (collect, forms) in the
// advice.
struct AppendPlan {
  std::vector<Standing> standing;  // one per name
  std::vector<std::string> gone;
  AppendCounts counts;
};
Status PlanAppend(const StoredDocuments& stored, const std::vector<std::string>& names,
                  const std::vector<std::string>& digests, std::string_view reading,
                  std::string_view table, std::string_view command, AppendPlan* plan);

// Once the documents left out are known (the `left_out` standings of those
// read and not stored): a new one left out is not added, a changed one
// keeps what is stored of it. Settles `counts` and returns how many
// documents keep what the table holds of them, unread (unchanged, not named
// and not pruned, changed but left out), and how many the table holds of
// the `stored` ones and the added.
struct Settled {
  size_t kept = 0;
  size_t held = 0;
};
Settled SettleCounts(const std::vector<Standing>& left_out, size_t stored, AppendCounts* counts);

// "10 new, 2 changed, 498 unchanged", then ", 3 kept though not named" or
// ", 3 pruned" where there are any, in the user's language.
std::string CountsText(const AppendCounts& counts);

// "Documents: ..." with CountsText, as the progress says it before the
// documents are read.
std::string CountsStatus(const AppendCounts& counts);

// The preview's lines for the documents an append kept without reading
// them (`kept`: unchanged, not named, left out) and those it pruned.
std::vector<std::string> KeptLines(size_t kept, const AppendCounts& counts, std::string_view table);

}  // namespace quillmere
