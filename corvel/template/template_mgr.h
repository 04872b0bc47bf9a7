// Produces TCS files from a template whose document type declares the
// parameters as entities. Driven by the template console commands.
#pragma once

#include "corvel/base/print_utility.h"

namespace corvel {

class TemplateMgr : public PrintUtility {
 public:
  TemplateMgr();
  ~TemplateMgr() override;

  bool SetCorvelRoot(const char* directory);
  bool ReadTemplateStub(const char* fileName);
  bool SetParameter(const char* name, const char* value);
  bool ExtractTcs(const char* outputFileName, bool overwrite);
};

}  // namespace corvel
