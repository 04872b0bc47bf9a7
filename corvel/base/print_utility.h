// Console output. PrintUtility owns one backend; the only backend hands the
// finished text to the host's TOLK_printf. No filtering by verbose level here:
// callers test the level first.
#pragma once

#include <memory>

namespace corvel {

class PrintUtilityOS {
 public:
  virtual ~PrintUtilityOS() = default;
  virtual void write(const char* text) = 0;
};

class PrintUtilityTolk : public PrintUtilityOS {
 public:
  void write(const char* text) override;
};

class PrintUtility {
 public:
  PrintUtility();
  virtual ~PrintUtility();
  PrintUtility(const PrintUtility&) = delete;
  PrintUtility& operator=(const PrintUtility&) = delete;

  // printf-style; formats into a bounded buffer (long texts are not cut).
  void print(const char* format, ...) const __attribute__((format(printf, 2, 3)));

 private:
  std::unique_ptr<PrintUtilityOS> _os;
};

// The process-wide printer for code that has no PrintUtility of its own.
const PrintUtility& sharedPrinter();

}  // namespace corvel
