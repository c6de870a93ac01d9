#include "document/docx/tag_scanner.h"

#include <algorithm>
#include <utility>

#include "platform/translation.h"

namespace quillmere::document::docx {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Whether `text` is the beginning of `markup`, cut short.
bool IsStartOf(std::string_view text, std::string_view markup) {
  return text.size() < markup.size() && markup.substr(0, text.size()) == text;
}

// The name a tag begins with, after its "<" or "</".
std::string_view NameOf(std::string_view tag) {
  size_t end = 0;
  while (end < tag.size() && !IsSpace(tag[end]) && tag[end] != '/' && tag[end] != '>') ++end;
  return tag.substr(0, end);
}

}  // namespace

Status DamagedPart(std::string_view part, std::string_view what) {
  return Status(
      ErrorNumber::kCorruptDocument,
      Fill(Tr("it is a damaged Word 2007+ (.docx) document: its part %1$s %2$s"), part, what));
}

Status NotWellFormed(std::string_view part, std::string_view what, uint64_t at) {
  return DamagedPart(part, Fill(Tr("is not well-formed XML (%1$s at byte %2$s)."), what, at));
}

std::vector<std::string> AttributesOf(std::string_view tag) {
  std::vector<std::string> attributes;
  size_t at = 1 + NameOf(tag.substr(1)).size();
  for (;;) {
    while (at < tag.size() && IsSpace(tag[at])) ++at;
    size_t name = at;
    while (at < tag.size() && !IsSpace(tag[at]) && tag[at] != '=' && tag[at] != '/' &&
           tag[at] != '>') {
      ++at;
    }
    size_t name_end = at;
    while (at < tag.size() && IsSpace(tag[at])) ++at;
    if (name == name_end || at >= tag.size() || tag[at] != '=') break;
    ++at;
    while (at < tag.size() && IsSpace(tag[at])) ++at;
    if (at >= tag.size() || (tag[at] != '"' && tag[at] != '\'')) break;
    size_t value_end = tag.find(tag[at], at + 1);
    if (value_end == std::string_view::npos) break;
    attributes.emplace_back(tag.substr(name, name_end - name));
    attributes.emplace_back(tag.substr(at + 1, value_end - at - 1));
    at = value_end + 1;
  }
  return attributes;
}

TagScanner::TagScanner(std::string_view part, int max_depth, Handler* handler)
    : part_(part), max_depth_(max_depth), handler_(handler) {}

Status TagScanner::Feed(std::string_view piece) {
  if (!status_.ok()) return status_;
  pending_.append(piece);
  size_t used = Scan();
  pending_.erase(0, used);
  offset_ += used;
  return status_;
}

Status TagScanner::Finish() {
  if (!status_.ok()) return status_;
  if (!pending_.empty() || depth_ > 0 || !root_ended_) {
    return NotWellFormed(part_, Tr("it ends before its markup does"), offset_ + pending_.size());
  }
  return Status();
}

void TagScanner::Fail(Status status) {
  if (status_.ok()) status_ = std::move(status);
}

// Reads the markup and text of `pending_` as far as they are whole; returns
// how many of its bytes were read.
size_t TagScanner::Scan() {
  if (!CheckEncoding()) return 0;
  size_t at = 0;
  while (status_.ok()) {
    size_t open = pending_.find('<', at);
    size_t text_end = open == kNone ? pending_.size() : open;
    if (text_end > at && !root_ended_) {
      handler_->Content(std::string_view(pending_).substr(at, text_end - at));
    }
    if (open == kNone) return pending_.size();
    size_t end = ReadMarkup(open);
    if (end == kNone) return open;
    at = end;
  }
  return at;
}

// Skips a UTF-8 byte order mark; refuses other encodings, which Word does not
// write a part in. False until there are bytes enough to tell.
bool TagScanner::CheckEncoding() {
  if (encoding_checked_) return true;
  if (pending_.size() < 3) return false;
  encoding_checked_ = true;
  if (pending_.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    pending_.erase(0, 3);
    offset_ = 3;
  } else if (pending_[0] == '\0' || pending_[1] == '\0' ||
             static_cast<unsigned char>(pending_[0]) >= 0xFE) {
    Fail(DamagedPart(part_, Tr("is not in UTF-8, as Word writes it, and cannot be read.")));
    return false;
  }
  return true;
}

// Reads the markup at `open` (a "<"); returns where it ends, or kNone when it
// is not all there yet (or is refused).
size_t TagScanner::ReadMarkup(size_t open) {
  std::string_view rest = std::string_view(pending_).substr(open);
  if (rest.size() < 2) return kNone;
  size_t end = kNone;
  if (rest[1] == '?') {
    end = Passage(open, 2, "?>");
  } else if (rest[1] == '!') {
    constexpr std::string_view kComment = "<!--", kData = "<![CDATA[";
    if (rest.substr(0, kComment.size()) == kComment) {
      end = Passage(open, kComment.size(), "-->");
    } else if (rest.substr(0, kData.size()) == kData) {
      end = Passage(open, kData.size(), "]]>");
    } else if (!IsStartOf(rest, kComment) && !IsStartOf(rest, kData)) {
      Fail(DamagedPart(part_,
                       Tr("declares a document type, which Word never writes, and is refused.")));
    }
  } else {
    size_t close = TagEnd(open);
    if (close == kNone) return kNone;
    end = close + 1;
    std::string_view tag = std::string_view(pending_).substr(open, end - open);
    if (tag[1] == '/') {
      End(NameOf(tag.substr(2)), tag, offset_ + open);
    } else {
      Start(NameOf(tag.substr(1)), tag, offset_ + open);
      if (tag[tag.size() - 2] == '/') End(NameOf(tag.substr(1)), {}, offset_ + open);
    }
  }
  if (end != kNone) scanned_ = 0;
  return end;
}

// A comment, processing instruction or CDATA section: it ends at
// `terminator`, and goes to the handler whole.
size_t TagScanner::Passage(size_t open, size_t opening, std::string_view terminator) {
  size_t from =
      open + std::max(opening, scanned_ > terminator.size() ? scanned_ - terminator.size() : 0);
  size_t found = pending_.find(terminator, from);
  if (found == kNone) {
    scanned_ = pending_.size() - open;
    return kNone;
  }
  size_t end = found + terminator.size();
  if (!root_ended_) handler_->Content(std::string_view(pending_).substr(open, end - open));
  return end;
}

// The ">" that ends the tag at `open`: the first outside quoted attribute
// values. The search goes on where it stopped when more bytes come.
size_t TagScanner::TagEnd(size_t open) {
  for (size_t i = open + std::max<size_t>(1, scanned_); i < pending_.size(); ++i) {
    char c = pending_[i];
    if (quote_ != 0) {
      if (c == quote_) quote_ = 0;
    } else if (c == '"' || c == '\'') {
      quote_ = c;
    } else if (c == '>') {
      return i;
    } else if (c == '<') {
      Fail(NotWellFormed(part_, Tr("a tag is not closed"), offset_ + i));
      return kNone;
    }
  }
  scanned_ = pending_.size() - open;
  return kNone;
}

void TagScanner::Start(std::string_view name, std::string_view tag, uint64_t at) {
  if (!status_.ok()) return;
  if (name.empty()) return Fail(NotWellFormed(part_, Tr("a tag has no name"), at));
  if (++depth_ > max_depth_) {
    return Fail(DamagedPart(
        part_,
        Fill(Tr("nests its elements more than %s levels deep and is refused."), max_depth_)));
  }
  open_names_.push_back(open_name_bytes_.size());
  open_name_bytes_.append(name);
  if (!root_ended_) Fail(handler_->StartElement(name, tag, depth_, at));
}

void TagScanner::End(std::string_view name, std::string_view tag, uint64_t at) {
  if (!status_.ok()) return;
  if (open_names_.empty() ||
      std::string_view(open_name_bytes_).substr(open_names_.back()) != name) {
    return Fail(NotWellFormed(part_, Tr("an end tag does not match its start tag"), at));
  }
  open_name_bytes_.resize(open_names_.back());
  open_names_.pop_back();
  const int depth = depth_--;
  if (root_ended_) return;
  if (depth == 1) root_ended_ = true;
  Fail(handler_->EndElement(tag, depth));
}

}  // namespace quillmere::document::docx
