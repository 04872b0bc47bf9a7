#include "corvel/template/template_parameter.h"

#include <libxml/entities.h>

#include "corvel/template/entity_literal.h"

namespace corvel {
namespace {

std::string xmlCharText(const xmlChar* text) { return text != nullptr ? reinterpret_cast<const char*>(text) : ""; }

}  // namespace

std::string TemplateParameter::entityValueText() const {
  return literal ? doubleQuotedLiteral(*literal) : escapedEntityValue(value);
}

ParameterExtraction extractParameters(const SourceParse& parse, const std::string& path) {
  ParameterExtraction result;
  std::string external;
  for (const xmlEntity* entity : parse.ownEntities) {
    TemplateParameter parameter;
    parameter.name = xmlCharText(entity->name);
    parameter.value = xmlCharText(entity->content);
    if (entity->etype != XML_INTERNAL_GENERAL_ENTITY) {
      if (external.empty()) external = parameter.name;
    } else if (entity->orig != nullptr) {
      parameter.literal = xmlCharText(entity->orig);
    } else {
      // Without the literal the replacement text stands for it; its
      // references are still references.
      parameter.literal = parameter.value;
    }
    result.parameters.push_back(std::move(parameter));
  }

  const std::vector<TemplateParameter>& list = result.parameters;
  const size_t custom = [&list] {
    for (size_t i = 0; i < list.size(); ++i)
      if (list[i].name == kCustomLocation) return i;
    return list.size();
  }();
  if (list.empty() || list.front().name != kCorvelLocation) {
    result.failure = "Corvel> Error, CORVEL_LOCATION parameter was not found as the first defined parameter.";
  } else if (custom != list.size() && custom != 1) {
    result.failure = "Corvel> Error, CUSTOM_LOCATION parameter was not found as the second defined parameter.";
  } else if (!external.empty()) {
    // An external or unparsed entity has no value to write into a declaration.
    result.failure = "Corvel> Error, parameter " + external + " of " + path + " is not a text entity.\n";
  } else if (!parse.undeclared.empty()) {
    result.failure = "Corvel> Error, " + path + " refers to the entity " + parse.undeclared.front() +
                     ", which is declared nowhere.\n";
  }
  return result;
}

TemplateParameter* findParameter(std::vector<TemplateParameter>& parameters, std::string_view name) noexcept {
  for (TemplateParameter& parameter : parameters)
    if (parameter.name == name) return &parameter;
  return nullptr;
}

}  // namespace corvel
