// A host-command function of type_definitions: the command's name, the table
// whose entries it is applied to, and the entry fields passed as its
// parameters.
//
//   <set_route _entry_type="function" _function_name="route_add"
//              _table_id="routes" _element_type="route" dest="int" port="int"/>
#pragma once

#include <libxml/tree.h>

#include <array>
#include <cstdint>
#include <string>

namespace corvel {

// How a parameter's field value is written into the command.
enum FunctionParameterType : int32_t {
  enParameterInt = 0,       // "int": a number, passed as written
  enParameterString = 1,    // "string": in double quotes
  enParameterHi32 = 2,      // "hi32": upper 32 bits of a 48-bit hex value
  enParameterLo16 = 3,      // "lo16": lower 16 bits, joined to the argument before
  enParameterHi32Lo16 = 4,  // "hi32_lo16": both halves as two arguments
};

struct FunctionParameter {
  std::string fieldName;
  FunctionParameterType type = enParameterInt;
};

class FunctionDefinition {
 public:
  static constexpr std::size_t kMaxParameters = 16;

  // Reads a function element (its `_entry_type` is "function"). Throws a
  // TextError: "_element_type_ not defined for function definition",
  // "_function_name not defined for function definition", "_table_id not
  // defined for function definition", "Unknown parameter type", or
  // "more than 16 parameters in function definition".
  explicit FunctionDefinition(const xmlNode* functionElement);

  uint32_t parameterCount() const noexcept { return _parameterCount; }
  const std::string& functionName() const noexcept { return _functionName; }
  const std::string& elementType() const noexcept { return _elementType; }
  const std::string& tableId() const noexcept { return _tableId; }
  const FunctionParameter& parameter(std::size_t index) const { return _parameters.at(index); }

 private:
  uint32_t _parameterCount = 0;
  std::string _functionName;
  std::string _elementType;
  std::string _tableId;
  std::array<FunctionParameter, kMaxParameters> _parameters;
};

}  // namespace corvel
