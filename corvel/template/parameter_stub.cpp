#include "corvel/template/parameter_stub.h"

#include "corvel/template/entity_literal.h"

namespace corvel {

std::optional<std::string> stubRefusal(const std::vector<TemplateParameter>& parameters) {
  for (const TemplateParameter& parameter : parameters) {
    if (parameter.isLocation() && parameter.value.find('"') != std::string::npos)
      return "Corvel> Error, the value of " + parameter.name +
             " holds a double quote, which a system literal cannot carry.\n";
    const std::string_view written = parameter.literal && !parameter.isLocation()
                                         ? std::string_view(*parameter.literal)
                                         : std::string_view(parameter.value);
    if (!isXmlText(written))
      return "Corvel> Error, the value of " + parameter.name +
             " is not XML text (UTF-8 without control characters).\n";
  }
  return std::nullopt;
}

std::string parameterStubProlog(const std::vector<TemplateParameter>& parameters) {
  std::string text;
  bool open = false;  // inside the document type's internal subset
  for (const TemplateParameter& parameter : parameters) {
    if (parameter.name == kCorvelLocation) {
      text += "<?xml version=\"1.0\"?>\n";
      text += "<!DOCTYPE corvel SYSTEM \"" + parameter.value + "\" [\n";
      open = true;
    } else if (parameter.name == kCustomLocation) {
      text += "<!ENTITY % custom_types SYSTEM \"" + parameter.value + "\">\n";
      text += "%custom_types;\n";
    } else {
      text += "<!ENTITY " + parameter.name + " \"" + parameter.entityValueText() + "\">\n";
    }
  }
  if (open) text += "]>\n";
  return text;
}

}  // namespace corvel
