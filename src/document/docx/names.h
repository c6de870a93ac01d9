// Element and attribute names of a WordprocessingML part, by namespace.
//
// pugixml sees qualified names ("w:tbl"). A document may bind any prefix to
// the WordprocessingML namespace (transitional or strict) and to markup
// compatibility, so the prefixes are looked up once, on the root element
// where every writer declares them, and names are compared by local part.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace quillmere::document::docx {

class WordNames {
 public:
  explicit WordNames(pugi::xml_node root);
  // From the root's attributes as a streaming parser gives them: name,
  // value, name, value, ..., then a null pointer.
  explicit WordNames(const char* const* root_attributes);

  // The local name of a WordprocessingML element ("tbl" for "w:tbl");
  // empty for an element of any other namespace.
  std::string_view Word(pugi::xml_node node) const { return Word(node.name()); }
  std::string_view Word(std::string_view qualified_name) const;

  // The local name of an element of Word 2010's extensions ("checkbox" for
  // "w14:checkbox"), and such an attribute of `node`.
  std::string_view Word2010(pugi::xml_node node) const { return LocalIn(node.name(), word2010_); }
  pugi::xml_attribute Attribute2010(pugi::xml_node node, std::string_view local) const;

  // The local name of a markup-compatibility element ("AlternateContent").
  std::string_view Compat(pugi::xml_node node) const { return Compat(node.name()); }
  std::string_view Compat(std::string_view qualified_name) const;

  // A WordprocessingML attribute of `node` ("val" finds "w:val").
  pugi::xml_attribute Attribute(pugi::xml_node node, std::string_view local) const;

  // The first WordprocessingML child element of `node` named `local`.
  pugi::xml_node Child(pugi::xml_node node, std::string_view local) const;

  // The w:val of the child named `local` as a whole number, or `fallback`
  // when the child or its value is missing or not a number.
  int ChildNumber(pugi::xml_node node, std::string_view local, int fallback) const;

  // Whether Word reads an mc:Choice whose Requires attribute is `prefixes`
  // (separated by blanks): unless the root binds one of them to a namespace
  // outside Office Open XML and Microsoft Office's extensions. Other
  // writers' own namespaces (WPS Office's wpsCustomData) are unknown to
  // Word, which takes the mc:Fallback instead; so does this reader.
  bool Understands(std::string_view prefixes) const;

  // The mc:Choice or mc:Fallback of `alternate` (an mc:AlternateContent)
  // that Word reads: the first Choice it understands, else the Fallback;
  // null when there is neither.
  pugi::xml_node ChosenBranch(pugi::xml_node alternate) const;

 private:
  void Declare(std::string_view attribute, std::string_view uri);
  static std::string_view LocalIn(std::string_view name, const std::string& prefix);
  std::string word_;      // prefix bound to WordprocessingML, with its colon
  std::string compat_;    // prefix bound to markup compatibility, with its colon
  std::string word2010_;  // prefix bound to Word 2010's extensions, with its colon
  std::set<std::string, std::less<>> foreign_;  // prefixes of namespaces Word does not know
};

}  // namespace quillmere::document::docx
