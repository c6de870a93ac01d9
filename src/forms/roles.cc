// Which cells of a form are labels and which hold values: by the blank
// form, by what the documents share, or by one document's look.
#include <algorithm>

#include "forms/cell_text.h"
#include "forms/form_layout.h"
#include "forms/layout_internal.h"

namespace quillmere::forms {

namespace {

using layout::HoldsValueByLook;
using layout::RowShape;
using layout::SameWidth;

// Cells in single-document reading, as the steps below set them.
class SingleReading {
 public:
  explicit SingleReading(const Cells& cells)
      : cells_(cells),
        roles_(cells.size(), Role::kNothing),
        known_(cells.size(), false),
        in_block_(cells.size(), false) {
    for (size_t i = 0; i < cells.size(); ++i) {
      const std::u16string& text = cells[i].text;
      if (HoldsValueByLook(text)) {
        Set(i, Role::kValue);
      } else if (text.back() == u':' || text.back() == u'：') {
        Set(i, Role::kLabel);
      }
    }
  }

  std::vector<Role> Roles() {
    const std::vector<RowShape> rows = layout::RowShapes(cells_);
    FindBlocks(rows);
    for (const RowShape& row : rows) Alternate(row);
    return roles_;
  }

 private:
  void Set(size_t i, Role role) {
    roles_[i] = role;
    known_[i] = true;
  }

  static bool LooksLikeValue(const std::u16string& text) {
    return text.empty() || std::any_of(text.begin(), text.end(), [](char16_t c) {
             return (c >= u'0' && c <= u'9') || c == u'@';
           });
  }

  // The cells of a row that reach no further down than one row.
  std::vector<size_t> Flat(const RowShape& row) const {
    std::vector<size_t> flat;
    for (size_t k = 0; k < row.reaches.size(); ++k) {
      if (row.reaches[k] == 1) flat.push_back(row.first + k);
    }
    return flat;
  }

  // How many leading cells of `a` and `b` stand alike.
  size_t CommonStart(const std::vector<size_t>& a, const std::vector<size_t>& b) const {
    size_t n = 0;
    while (n < a.size() && n < b.size() && SameWidth(cells_[a[n]], cells_[b[n]])) ++n;
    return n;
  }

  // Rows whose first two cells (of one row's height) stand alike; among
  // them, a heading row without values over at least two rows whose
  // columns show values (IsBlock). Each stretch is tried at its first
  // rows that could head it, at most twice, so a long table costs no more
  // than its cells.
  void FindBlocks(const std::vector<RowShape>& rows) {
    std::vector<std::vector<size_t>> flat;
    for (const RowShape& row : rows) flat.push_back(Flat(row));
    for (size_t begin = 0; begin < rows.size();) {
      size_t end = begin + 1;
      while (end < rows.size() && rows[end].table == rows[begin].table &&
             CommonStart(flat[begin], flat[end]) >= 2) {
        ++end;
      }
      int tries = 0;
      for (size_t h = begin; h + 2 < end && tries < 2; ++h) {
        if (!CouldHead(flat[h], 2)) continue;
        ++tries;
        if (TakeBlock(flat, h, end)) break;
      }
      begin = end;
    }
  }

  // Whether the first `width` cells of a row are texts without digits,
  // none of them placed yet.
  bool CouldHead(const std::vector<size_t>& row, size_t width) const {
    return row.size() >= width && std::none_of(row.begin(), row.begin() + width, [&](size_t cell) {
             return LooksLikeValue(cells_[cell].text) || known_[cell];
           });
  }

  // Rows [h + 1, end) under row h as a block, when its headings are texts
  // and every column but the first (which may hold the rows' own labels)
  // shows a value somewhere: in a grid of labels and values, the labels'
  // columns never do.
  bool TakeBlock(const std::vector<std::vector<size_t>>& flat, size_t h, size_t end) {
    size_t width = flat[h].size();
    for (size_t r = h + 1; r < end; ++r) width = std::min(width, CommonStart(flat[h], flat[r]));
    if (!CouldHead(flat[h], width)) return false;
    for (size_t k = 1; k < width; ++k) {
      bool shows_value = false;
      for (size_t r = h + 1; r < end && !shows_value; ++r) {
        shows_value = LooksLikeValue(cells_[flat[r][k]].text);
      }
      if (!shows_value) return false;
    }
    for (size_t k = 0; k < width; ++k) {
      Set(flat[h][k], Role::kLabel);
      in_block_[flat[h][k]] = true;
    }
    for (size_t r = h + 1; r < end; ++r) {
      for (size_t k = 0; k < width; ++k) {
        const size_t cell = flat[r][k];
        const bool own_label = k == 0 && !LooksLikeValue(cells_[cell].text);
        Set(cell, own_label ? Role::kLabel : Role::kValue);
        in_block_[cell] = true;
      }
    }
    return true;
  }

  void Alternate(const RowShape& row) {
    Role next = Role::kLabel;
    for (size_t k = 0; k < row.reaches.size(); ++k) {
      const size_t i = row.first + k;
      const bool section = k + 1 < row.reaches.size() && row.reaches[k] > row.reaches[k + 1];
      if (!known_[i]) {
        Set(i, section ? Role::kLabel : next);
        if (section) continue;
      }
      // After a block's cells the row goes on as a row of its own.
      next = roles_[i] == Role::kLabel && !in_block_[i] ? Role::kValue : Role::kLabel;
    }
  }

  const Cells& cells_;
  std::vector<Role> roles_;
  std::vector<bool> known_;
  std::vector<bool> in_block_;
};

}  // namespace

std::vector<Role> TemplateRoles(const Cells& blank) {
  std::vector<Role> roles;
  roles.reserve(blank.size());
  for (const Cell& cell : blank) {
    roles.push_back(HoldsValueByLook(cell.text) ? Role::kValue : Role::kLabel);
  }
  return roles;
}

Comparison::Comparison(Cells first) : first_(std::move(first)), differs_(first_.size(), false) {}

void Comparison::Add(const Cells& cells) {
  for (size_t i = 0; i < cells.size() && i < first_.size(); ++i) {
    if (cells[i].text != first_[i].text) differs_[i] = true;
  }
}

std::vector<Role> Comparison::Roles() const {
  std::vector<Role> roles;
  roles.reserve(first_.size());
  for (size_t i = 0; i < first_.size(); ++i) {
    const std::u16string& text = first_[i].text;
    if (differs_[i]) {
      roles.push_back(Role::kValue);
    } else if (text.empty()) {
      roles.push_back(Role::kNothing);
    } else {
      // A quantity the same in every document is still a value: fifty
      // forms may share a postcode.
      const bool value = HoldsValueByLook(text) || IsQuantity(text);
      roles.push_back(value ? Role::kValue : Role::kLabel);
    }
  }
  return roles;
}

std::vector<Role> SingleDocumentRoles(const Cells& cells) { return SingleReading(cells).Roles(); }

}  // namespace quillmere::forms
