#include "corvel/tables/host_command.h"

#include <cctype>
#include <optional>

#include "corvel/base/print_utility.h"
#include "corvel/base/verbose.h"
#include "corvel/tables/table_nodes.h"
#include "corvel/xml/xml_access.h"
#include "pyx/tolk.h"

namespace corvel {
namespace {

constexpr std::size_t kHexValueDigits = 12;  // a 48-bit value
constexpr std::size_t kLowDigits = 4;
constexpr std::size_t kHighDigits = 8;

bool allDigits(std::string_view text, int base) noexcept {
  for (const char c : text) {
    const bool ok = base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) != 0
                               : c >= '0' && c < static_cast<char>('0' + base);
    if (!ok) return false;
  }
  return true;
}

// "0x" (or the value's own prefix) and `digits` left-padded with "0".
void appendPadded(std::string& out, std::string_view prefix, std::string_view digits, std::size_t width) {
  out.append(prefix);
  if (digits.size() < width) out.append(width - digits.size(), '0');
  out.append(digits);
}

}  // namespace

bool isWholeInteger(std::string_view text) noexcept {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const std::string_view number = text.substr(i);
  if (number.empty()) return false;
  if (IsHexString(number) && number.size() > 2) return allDigits(number.substr(2), 16);
  if (number[0] == '0') return allDigits(number.substr(1), 8);
  return allDigits(number, 10);
}

void appendHi32(std::string& out, std::string_view value) {
  if (!IsHexString(value)) {
    out.append("0x00000000");
    return;
  }
  const std::string_view prefix = value.substr(0, 2);
  const std::string_view digits = value.substr(2);
  if (digits.size() > kHexValueDigits) {
    appendPadded(out, prefix, digits.substr(0, kHighDigits), kHighDigits);
  } else {
    const std::size_t high = digits.size() > kLowDigits ? digits.size() - kLowDigits : 0;
    appendPadded(out, prefix, digits.substr(0, high), kHighDigits);
  }
}

void appendLo16(std::string& out, std::string_view value) {
  if (!IsHexString(value)) {
    out.append("0x0000");
    return;
  }
  const std::string_view digits = value.substr(2);
  const std::size_t low = digits.size() < kLowDigits ? digits.size() : kLowDigits;
  appendPadded(out, "0x", digits.substr(digits.size() - low), kLowDigits);
}

HostCommandBuilder::HostCommandBuilder(const PrintUtility& printer) : _printer(printer) {}

void HostCommandBuilder::beginArgument() {
  if (_arguments++ != 0) _command.push_back(',');
}

bool HostCommandBuilder::formatHostCommand(const FunctionDefinition& function, const xmlNode* defaults,
                                           const xmlNode* entry) {
  _command.assign(function.functionName()).push_back('(');
  _arguments = 0;
  for (std::size_t index = 0; index < function.parameterCount(); ++index) {
    const FunctionParameter& parameter = function.parameter(index);
    std::optional<std::string_view> value = attributeView(entry, parameter.fieldName, _scratch);
    if (!value) value = attributeView(defaults, parameter.fieldName, _scratch);
    if (!value) {
      beginArgument();
      _command.append(kMissingFieldArgument);
      continue;
    }
    switch (parameter.type) {
      case enParameterInt:
        if (!isWholeInteger(*value) || textToIntBase0(*value) == -1) return false;
        beginArgument();
        _command.append(*value);
        break;
      case enParameterString:
        beginArgument();
        _command.append(1, '"').append(*value).append(1, '"');
        break;
      case enParameterHi32:
        beginArgument();
        appendHi32(_command, *value);
        break;
      case enParameterHi32Lo16:
        beginArgument();
        appendHi32(_command, *value);
        _command.append(", ");
        appendLo16(_command, *value);
        break;
      case enParameterLo16:
        // The low half joins the argument before it (normally its hi32);
        // with nothing before it, it is an argument of its own.
        if (_arguments == 0) {
          beginArgument();
        } else {
          _command.append(", ");
        }
        appendLo16(_command, *value);
        break;
    }
  }
  _command.append(");");
  return true;
}

bool HostCommandBuilder::BuildHostCommand(const FunctionDefinition& function, const xmlNode* defaults,
                                          const xmlNode* entry) {
  if (!formatHostCommand(function, defaults, entry)) return false;
  if (verboseAt(4) || verboseAt(9)) _printer.print("Corvel>    tolk command: %s\n", _command.c_str());
  TOLK_ExecuteCommandStr(_command.c_str());
  return true;
}

}  // namespace corvel
