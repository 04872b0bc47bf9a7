// The parameter stub: a small TCS document whose document type carries the
// parameters and whose body is an empty corvel element, for the template's
// body to be linked into. Every line ends with a line feed:
//
//   <?xml version="1.0"?>                                 at CORVEL_LOCATION
//   <!DOCTYPE corvel SYSTEM "CORVEL_LOCATION value" [
//   <!ENTITY % custom_types SYSTEM "CUSTOM_LOCATION value">   at CUSTOM_LOCATION
//   %custom_types;
//   <!ENTITY NAME "value">                                 every other parameter
//   ]>
//   <corvel>
//   <type_definitions> </type_definitions>
//   <streams> </streams>
//   <rx_ports> </rx_ports>
//   <tx_ports> </tx_ports>
//   </corvel>
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/template/template_parameter.h"

namespace corvel {

inline constexpr std::string_view kStubFileName = "corvel_temp_file.tcs";

inline constexpr std::string_view kStubBody =
    "<corvel>\n"
    "<type_definitions> </type_definitions>\n"
    "<streams> </streams>\n"
    "<rx_ports> </rx_ports>\n"
    "<tx_ports> </tx_ports>\n"
    "</corvel>\n";

// The console text refusing a value that no stub can carry: a location
// holding a double quote (a system literal has no escape for its own quote),
// or any value that is not XML text. Nullopt when every value can be written.
std::optional<std::string> stubRefusal(const std::vector<TemplateParameter>& parameters);

// The stub's lines before the body: XML declaration and document type.
std::string parameterStubProlog(const std::vector<TemplateParameter>& parameters);

}  // namespace corvel
