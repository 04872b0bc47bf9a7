// The parameters of a template: the general entities that the internal
// subset of its document type declares, in declaration order.
//
// Two have a fixed place: CORVEL_LOCATION must be the first and gives the
// system identifier of the generated document type; CUSTOM_LOCATION may only
// be the second and names a file of custom declarations that the generated
// document type includes. Every other parameter is a text entity.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/template/template_source.h"

namespace corvel {

inline constexpr std::string_view kCorvelLocation = "CORVEL_LOCATION";
inline constexpr std::string_view kCustomLocation = "CUSTOM_LOCATION";

struct TemplateParameter {
  std::string name;
  // The text the entity stands for: the template's replacement text until a
  // console command sets a new value.
  std::string value;
  // The literal as the template wrote it, kept until the value is set; the
  // generated declaration repeats it, so references inside keep their meaning.
  std::optional<std::string> literal;

  bool isLocation() const noexcept { return name == kCorvelLocation || name == kCustomLocation; }
  // The text between the double quotes of the generated declaration.
  std::string entityValueText() const;
};

struct ParameterExtraction {
  std::vector<TemplateParameter> parameters;  // every entity read, also when the rules fail
  std::string failure;                        // the console text of the first broken rule; empty when none
};

// Reads the parameters of a parsed template and checks the rules: at least one
// entity, CORVEL_LOCATION first, CUSTOM_LOCATION (when declared) second, every
// parameter a text entity, and no reference to an entity declared nowhere.
// `path` names the template in the texts.
ParameterExtraction extractParameters(const SourceParse& parse, const std::string& path);

// The first parameter of the name (byte-exact), or null.
TemplateParameter* findParameter(std::vector<TemplateParameter>& parameters, std::string_view name) noexcept;

}  // namespace corvel
