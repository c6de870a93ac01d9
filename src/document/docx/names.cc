#include "document/docx/names.h"

#include <algorithm>
#include <charconv>

namespace quillmere::document::docx {

namespace {

constexpr std::string_view kWordTransitional =
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view kWordStrict = "http://purl.oclc.org/ooxml/wordprocessingml/main";
constexpr std::string_view kCompat = "http://schemas.openxmlformats.org/markup-compatibility/2006";
constexpr std::string_view kWord2010 = "http://schemas.microsoft.com/office/word/2010/wordml";

// The namespaces of Office Open XML (both editions) and of Microsoft Office's
// extensions to it begin so.
constexpr std::string_view kUnderstoodNamespaces[] = {
    "http://schemas.openxmlformats.org/", "http://purl.oclc.org/ooxml/",
    "http://schemas.microsoft.com/", "urn:schemas-microsoft-com:"};

bool IsUnderstood(std::string_view uri) {
  for (std::string_view start : kUnderstoodNamespaces) {
    if (uri.rfind(start, 0) == 0) return true;
  }
  return false;
}

// "w:" for xmlns:w, "" for a default namespace.
std::string PrefixOf(std::string_view declaration) {
  if (declaration == "xmlns") return "";
  return std::string(declaration.substr(6)) + ":";
}

}  // namespace

WordNames::WordNames(pugi::xml_node root) : word_("w:"), compat_("mc:"), word2010_("w14:") {
  for (pugi::xml_attribute a : root.attributes()) Declare(a.name(), a.value());
}

WordNames::WordNames(const char* const* root_attributes)
    : word_("w:"), compat_("mc:"), word2010_("w14:") {
  for (const char* const* a = root_attributes; a[0] != nullptr && a[1] != nullptr; a += 2) {
    Declare(a[0], a[1]);
  }
}

void WordNames::Declare(std::string_view attribute, std::string_view uri) {
  if (attribute != "xmlns" && attribute.rfind("xmlns:", 0) != 0) return;
  if (uri == kWordTransitional || uri == kWordStrict) word_ = PrefixOf(attribute);
  if (uri == kCompat) compat_ = PrefixOf(attribute);
  if (uri == kWord2010) word2010_ = PrefixOf(attribute);
  if (attribute.size() > 6 && !IsUnderstood(uri)) foreign_.emplace(attribute.substr(6));
}

bool WordNames::Understands(std::string_view prefixes) const {
  for (size_t at = 0; at < prefixes.size();) {
    size_t end = std::min(prefixes.find(' ', at), prefixes.size());
    std::string_view prefix = prefixes.substr(at, end - at);
    if (foreign_.find(prefix) != foreign_.end()) return false;
    at = end + 1;
  }
  return true;
}

pugi::xml_node WordNames::ChosenBranch(pugi::xml_node alternate) const {
  pugi::xml_node fallback;
  for (pugi::xml_node branch : alternate.children()) {
    std::string_view local = Compat(branch);
    if (local == "Choice" && Understands(branch.attribute("Requires").value())) return branch;
    if (local == "Fallback" && !fallback) fallback = branch;
  }
  return fallback;
}

std::string_view WordNames::LocalIn(std::string_view name, const std::string& prefix) {
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return {};
  std::string_view local = name.substr(prefix.size());
  return local.find(':') == std::string_view::npos ? local : std::string_view();
}

std::string_view WordNames::Word(std::string_view qualified_name) const {
  return LocalIn(qualified_name, word_);
}

std::string_view WordNames::Compat(std::string_view qualified_name) const {
  return LocalIn(qualified_name, compat_);
}

namespace {

pugi::xml_attribute AttributeIn(pugi::xml_node node, const std::string& prefix,
                                std::string_view local) {
  for (pugi::xml_attribute a : node.attributes()) {
    std::string_view name = a.name();
    if (name.size() == prefix.size() + local.size() && name.substr(prefix.size()) == local &&
        name.compare(0, prefix.size(), prefix) == 0) {
      return a;
    }
  }
  return {};
}

}  // namespace

pugi::xml_attribute WordNames::Attribute(pugi::xml_node node, std::string_view local) const {
  return AttributeIn(node, word_, local);
}

pugi::xml_attribute WordNames::Attribute2010(pugi::xml_node node, std::string_view local) const {
  return AttributeIn(node, word2010_, local);
}

pugi::xml_node WordNames::Child(pugi::xml_node node, std::string_view local) const {
  for (pugi::xml_node child : node.children()) {
    if (child.type() == pugi::node_element && Word(child) == local) return child;
  }
  return {};
}

int WordNames::ChildNumber(pugi::xml_node node, std::string_view local, int fallback) const {
  std::string_view value = Attribute(Child(node, local), "val").value();
  int number = 0;
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  return error == std::errc() && end == value.data() + value.size() ? number : fallback;
}

}  // namespace quillmere::document::docx
