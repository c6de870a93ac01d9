// The numbers Word's numbering fields show: AUTONUM, AUTONUMLGL, LISTNUM
// and SEQ. Word computes them as it lays the document out, and a file often
// holds no result for them (AUTONUM, AUTONUMLGL and LISTNUM never do), so
// both readers count them here in document order, one story at a time.
//
//   AUTONUM [\s c]          "1." at a paragraph's heading level; body text
//                           below the last heading that holds one.
//   AUTONUMLGL [\e] [\s c]  "1.2." the same, with the numbers of the levels
//                           above; \e leaves the last separator out.
//   LISTNUM [name] [\l n] [\s n]
//                           the next number of the lists NumberDefault
//                           ("1)", "a)", "i)" ...), OutlineDefault ("I.",
//                           "A.", "1." ...), LegalDefault ("1.", "1.1." ...),
//                           or, unnamed, of the paragraph's own list one
//                           level down, or of the last list used.
//   SEQ id [\c] [\h] [\n] [\r n] [\s n]
//                           the next number of the sequence `id`.
//
// "\* ROMAN" and the like format a number as the list formats do.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "document/common/list_labels.h"

namespace quillmere::document {

class FieldNumbers {
 public:
  // `lists` counts the story's list paragraphs: a LISTNUM field counts on
  // in their lists.
  explicit FieldNumbers(ListCounter& lists) : lists_(lists) { heading_at_.fill(-1); }

  // The paragraph the next fields stand in: its built-in heading level (1
  // to 9, 0 for body text) and, for a list paragraph, its list instance
  // (which must outlive this) and level.
  void StartParagraph(int heading, const ListInstance* list = nullptr, int list_level = 0);

  // What the field of `instruction` (its code, without the field
  // characters) shows, counted; nullopt for a field that is none of these.
  // A SEQ field counts whether or not its stored result is shown instead.
  std::optional<std::u16string> Result(std::u16string_view instruction);

  // Whether a field of `instruction` shows its count even where the file
  // stores a result: every one of these but SEQ, whose stored result Word
  // shows until the field is updated.
  static bool IgnoresStoredResult(std::u16string_view instruction);

 private:
  struct Sequence {
    int value = 0;
    int64_t counted_at = -1;  // the paragraph of its last count
  };

  std::u16string AutoNumber(bool legal, std::u16string_view separator, bool trailing,
                            NumberFormat format);
  std::u16string ListNumber(std::u16string_view name, std::optional<int> level,
                            std::optional<int> start);
  std::u16string SequenceNumber(std::u16string_view id, bool repeat, bool hidden,
                                std::optional<int> reset, std::optional<int> heading_reset,
                                NumberFormat format);

  ListCounter& lists_;
  int64_t paragraph_ = -1;  // the index of the current paragraph
  int heading_ = 0;
  const ListInstance* paragraph_list_ = nullptr;
  int paragraph_level_ = 0;
  // The list an unnamed LISTNUM outside list paragraphs counts on, and the
  // level it last counted at.
  const ListInstance* last_list_ = nullptr;
  int last_level_ = 0;
  int listnum_level_in_paragraph_ = -1;              // of the paragraph's last LISTNUM
  int autonum_heading_ = 0;                          // the last heading holding an AUTONUM
  int legal_heading_ = 0;                            // ... an AUTONUMLGL
  std::array<int64_t, kListLevels + 1> heading_at_;  // the last paragraph of each heading level
  std::map<std::u16string, Sequence> sequences_;
  int64_t restarts_ = 0;  // LISTNUM \s fields so far, each an instance of its own
};

}  // namespace quillmere::document
