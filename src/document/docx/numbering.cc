#include "document/docx/numbering.h"

#include <algorithm>

#include "platform/encoding/ascii.h"
#include "platform/encoding/unicode.h"

namespace quillmere::document::docx {
namespace {

// How many styles a chain of w:basedOn may pass before it is taken for a loop.
constexpr int kMaxStyleChain = 64;

struct Abstract {
  ListLevels levels;
  std::map<std::string, int> level_of_style;
  std::string style_link;  // w:numStyleLink: the definition lies with that style's list
};

std::string Value(const WordNames& names, pugi::xml_node node, std::string_view child) {
  return names.Attribute(names.Child(node, child), "val").value();
}

bool IsOn(const WordNames& names, pugi::xml_node node, std::string_view child) {
  pugi::xml_node flag = names.Child(node, child);
  std::string_view value = names.Attribute(flag, "val").value();
  return flag && value != "0" && value != "false" && value != "off";
}

// A w:numFmt, looking into mc:AlternateContent for its fallback, which
// names a format of the first edition.
NumberFormat FormatOf(const WordNames& names, pugi::xml_node lvl) {
  if (pugi::xml_node format = names.Child(lvl, "numFmt")) {
    return NumberFormatOfName(names.Attribute(format, "val").value());
  }
  for (pugi::xml_node alternate : lvl.children()) {
    if (names.Compat(alternate) != "AlternateContent") continue;
    for (pugi::xml_node branch : alternate.children()) {
      pugi::xml_node format = names.Child(branch, "numFmt");
      if (names.Compat(branch) == "Fallback" && format) {
        return NumberFormatOfName(names.Attribute(format, "val").value());
      }
    }
  }
  return NumberFormat::kDecimal;
}

// The level `index` of a w:lvl. A missing w:start is 0, as the format has it.
ListLevel ReadLevel(const WordNames& names, pugi::xml_node lvl, int index) {
  ListLevel level;
  level.start = names.ChildNumber(lvl, "start", 0);
  level.format = FormatOf(names, lvl);
  // A picture bullet leaves no text: Word's page shows it as an image.
  if (!names.Child(lvl, "lvlPicBulletId")) {
    level.pattern = PatternOfLevelText(unicode::FromUtf8(Value(names, lvl, "lvlText")));
  }
  level.legal = IsOn(names, lvl, "isLgl");
  int restart = names.ChildNumber(lvl, "lvlRestart", -1);
  if (restart >= 0 && restart <= index) level.restart_below = restart;
  pugi::xml_node fonts = names.Child(names.Child(lvl, "rPr"), "rFonts");
  level.font = unicode::FromUtf8(names.Attribute(fonts, "ascii").value());
  if (level.font.empty()) level.font = unicode::FromUtf8(names.Attribute(fonts, "hAnsi").value());
  std::string justification = Value(names, lvl, "lvlJc");
  level.right_aligned = justification == "right" || justification == "end";
  level.followed = Value(names, lvl, "suff") != "nothing";
  return level;
}

int LevelIndex(const WordNames& names, pugi::xml_node lvl) {
  std::string_view value = names.Attribute(lvl, "ilvl").value();
  int index = value.empty() ? 0 : std::atoi(std::string(value).c_str());
  return std::clamp(index, 0, kListLevels - 1);
}

Abstract ReadAbstract(const WordNames& names, pugi::xml_node abstract_num) {
  Abstract abstract;
  for (pugi::xml_node lvl : abstract_num.children()) {
    if (names.Word(lvl) != "lvl") continue;
    int index = LevelIndex(names, lvl);
    abstract.levels[index] = ReadLevel(names, lvl, index);
    std::string style = Value(names, lvl, "pStyle");
    if (!style.empty()) abstract.level_of_style.emplace(style, index);
  }
  abstract.style_link = Value(names, abstract_num, "numStyleLink");
  return abstract;
}

// The level of a built-in heading style's name, "heading 1" to "heading 9";
// 0 for any other.
int HeadingOfName(std::string_view name) {
  constexpr std::string_view kHeading = "heading ";
  if (name.size() != kHeading.size() + 1 ||
      !ascii::EqualsIgnoringCase(name.substr(0, 8), kHeading)) {
    return 0;
  }
  char digit = name.back();
  return digit >= '1' && digit <= '9' ? digit - '0' : 0;
}

int NumberAttribute(const WordNames& names, pugi::xml_node node, std::string_view local) {
  return std::atoi(names.Attribute(node, local).value());
}

}  // namespace

Numbering::Numbering(pugi::xml_node numbering, pugi::xml_node styles) {
  if (styles) ReadStyles(styles);
  if (numbering) ReadInstances(numbering);
}

void Numbering::ReadStyles(pugi::xml_node root) {
  WordNames names(root);
  for (pugi::xml_node style : root.children()) {
    if (names.Word(style) != "style") continue;
    // A numbering style names the list that definitions linked to it use.
    std::string_view type = names.Attribute(style, "type").value();
    if (type != "paragraph" && type != "numbering") continue;
    std::string id = names.Attribute(style, "styleId").value();
    Style& entry = styles_[id];
    pugi::xml_node list = names.Child(names.Child(style, "pPr"), "numPr");
    if (names.Child(list, "numId")) entry.num_id = names.ChildNumber(list, "numId", 0);
    if (names.Child(list, "ilvl")) entry.level = names.ChildNumber(list, "ilvl", 0);
    entry.based_on = Value(names, style, "basedOn");
    entry.heading = HeadingOfName(Value(names, style, "name"));
    if (IsOn(names, style, "default") || names.Attribute(style, "default").as_bool()) {
      default_style_ = id;
    }
  }
}

void Numbering::ReadInstances(pugi::xml_node root) {
  WordNames names(root);
  std::map<int, Abstract> abstracts;
  std::map<int, int> abstract_of_num;
  for (pugi::xml_node child : root.children()) {
    if (names.Word(child) == "abstractNum") {
      abstracts[NumberAttribute(names, child, "abstractNumId")] = ReadAbstract(names, child);
    } else if (names.Word(child) == "num") {
      abstract_of_num[NumberAttribute(names, child, "numId")] =
          names.ChildNumber(child, "abstractNumId", -1);
    }
  }
  for (pugi::xml_node num : root.children()) {
    if (names.Word(num) != "num") continue;
    int num_id = NumberAttribute(names, num, "numId");
    int abstract_id = names.ChildNumber(num, "abstractNumId", -1);
    auto abstract = abstracts.find(abstract_id);
    if (abstract == abstracts.end()) continue;
    // A definition linked to a numbering style takes its levels from the
    // list that style names.
    if (!abstract->second.style_link.empty()) {
      auto style = styles_.find(abstract->second.style_link);
      if (style != styles_.end() && style->second.num_id) {
        auto linked = abstract_of_num.find(*style->second.num_id);
        auto target =
            linked == abstract_of_num.end() ? abstracts.end() : abstracts.find(linked->second);
        if (target != abstracts.end()) {
          abstract = target;
          abstract_id = linked->second;
        }
      }
    }
    Instance instance;
    instance.list.levels = abstract->second.levels;
    instance.list.id = num_id;
    instance.list.counters = abstract_id;
    instance.level_of_style = abstract->second.level_of_style;
    for (pugi::xml_node override_node : num.children()) {
      if (names.Word(override_node) != "lvlOverride") continue;
      int index = LevelIndex(names, override_node);
      ListLevel& level = instance.list.levels[index];
      if (pugi::xml_node lvl = names.Child(override_node, "lvl")) {
        int restart_below = level.restart_below;  // Word ignores a restart set here
        level = ReadLevel(names, lvl, index);
        level.restart_below = restart_below;
      }
      // The instance counts on its definition's counters; a start override
      // begins the level again at the instance's first paragraph.
      if (names.Child(override_node, "startOverride")) {
        level.start = names.ChildNumber(override_node, "startOverride", level.start);
        instance.list.restarts[index] = true;
      }
    }
    instances_[num_id] = std::move(instance);
  }
}

void Numbering::FromStyle(const std::string& style_id, std::optional<int>* num_id,
                          std::optional<int>* level) const {
  std::string id = style_id.empty() ? default_style_ : style_id;
  for (int step = 0; step < kMaxStyleChain && !id.empty(); ++step) {
    auto style = styles_.find(id);
    if (style == styles_.end()) return;
    if (!*level && style->second.level) *level = style->second.level;
    if (!*num_id && style->second.num_id) *num_id = style->second.num_id;
    if (*num_id) return;
    id = style->second.based_on;
  }
}

const ListInstance* Numbering::Find(const WordNames& names, pugi::xml_node paragraph,
                                    int* level_out) const {
  if (instances_.empty()) return nullptr;
  pugi::xml_node paragraph_properties = names.Child(paragraph, "pPr");
  pugi::xml_node list = names.Child(paragraph_properties, "numPr");
  std::optional<int> num_id, level;
  if (names.Child(list, "numId")) num_id = names.ChildNumber(list, "numId", 0);
  if (names.Child(list, "ilvl")) level = names.ChildNumber(list, "ilvl", 0);
  std::string style = Value(names, paragraph_properties, "pStyle");
  if (!num_id) FromStyle(style, &num_id, &level);
  if (!num_id) return nullptr;
  auto instance = instances_.find(*num_id);
  if (instance == instances_.end()) return nullptr;  // numId 0 among them: no list
  if (!level) {
    auto linked = instance->second.level_of_style.find(style.empty() ? default_style_ : style);
    level = linked == instance->second.level_of_style.end() ? 0 : linked->second;
  }
  *level_out = *level;
  return &instance->second.list;
}

int Numbering::HeadingLevel(const WordNames& names, pugi::xml_node paragraph) const {
  std::string id = Value(names, names.Child(paragraph, "pPr"), "pStyle");
  auto style = styles_.find(id.empty() ? default_style_ : id);
  return style == styles_.end() ? 0 : style->second.heading;
}

}  // namespace quillmere::document::docx
