#include "corvel/base/print_utility.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "pyx/tolk.h"

namespace corvel {

void PrintUtilityTolk::write(const char* text) { TOLK_printf("%s", text); }

const PrintUtility& sharedPrinter() {
  static const PrintUtility printer;
  return printer;
}

PrintUtility::PrintUtility() : _os(std::make_unique<PrintUtilityTolk>()) {}
PrintUtility::~PrintUtility() = default;

void PrintUtility::print(const char* format, ...) const {
  char small[512];
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) {
    va_end(args);
    return;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    _os->write(small);
  } else {
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(big.data(), big.size(), format, args);
    big.resize(static_cast<size_t>(n));
    _os->write(big.c_str());
  }
  va_end(args);
}

}  // namespace corvel
