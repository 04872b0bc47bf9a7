#include "corvel/tables/function_definition.h"

#include <optional>
#include <string_view>

#include "corvel/base/text_error.h"
#include "corvel/xml/tcs_place.h"
#include "corvel/xml/xml_access.h"

namespace corvel {
namespace {

std::optional<FunctionParameterType> parameterType(std::string_view text) noexcept {
  if (text == "int") return enParameterInt;
  if (text == "string") return enParameterString;
  if (text == "hi32") return enParameterHi32;
  if (text == "lo16") return enParameterLo16;
  if (text == "hi32_lo16") return enParameterHi32Lo16;
  return std::nullopt;
}

bool isDefinitionAttribute(std::string_view name) noexcept {
  return name == "_function_name" || name == "_table_id" || name == "_element_type" ||
         name == "_entry_type";
}

std::string requiredAttribute(const xmlNode* element, std::string_view name, const char* message) {
  std::optional<std::string> value = GetAttribute(element, name);
  if (!value) {
    const PlaceScope place(element);
    throw TextError(message);
  }
  return std::move(*value);
}

}  // namespace

FunctionDefinition::FunctionDefinition(const xmlNode* functionElement) {
  _elementType =
      requiredAttribute(functionElement, "_element_type", "_element_type_ not defined for function definition");
  _functionName =
      requiredAttribute(functionElement, "_function_name", "_function_name not defined for function definition");
  _tableId = requiredAttribute(functionElement, "_table_id", "_table_id not defined for function definition");
  for (auto& [name, value] : getAttributeList(functionElement)) {
    if (isDefinitionAttribute(name)) continue;
    const PlaceScope place(functionElement, name);
    const std::optional<FunctionParameterType> type = parameterType(value);
    if (!type) throw TextError("Unknown parameter type");
    if (_parameterCount == kMaxParameters) throw TextError("more than 16 parameters in function definition");
    _parameters[_parameterCount++] = FunctionParameter{std::move(name), *type};
  }
}

}  // namespace corvel
