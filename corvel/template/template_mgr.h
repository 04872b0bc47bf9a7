// Produces TCS files from a template: a TCS document whose document type
// declares the parameters of a test as entities. The console sets a root
// directory, loads a template from it, changes parameter values and extracts
// a new TCS file whose document type carries the values and whose body is
// the template's corvel element, its "&NAME;" references kept.
//
//   enTemplateStateUninitialized  --SetCorvelRoot-->     enTemplateStateRootSpecified
//   enTemplateStateRootSpecified  --ReadTemplateStub-->  enTemplateStateTemplateLoaded
//   enTemplateStateTemplateLoaded --SetParameter (any number of times), extractTcs-->
//                                                         enTemplateStateUninitialized
// A template that does not parse leads to enTemplateStateError, which only a
// new manager leaves. Every failure is a console line and a false answer;
// nothing is thrown for the inputs (only out of memory could be).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corvel/base/print_utility.h"
#include "corvel/xml/tcs_document.h"
#include "corvel/template/template_parameter.h"

namespace corvel {

enum TemplateState : int32_t {
  enTemplateStateUninitialized = 0,
  enTemplateStateRootSpecified = 1,
  enTemplateStateTemplateLoaded = 2,
  enTemplateStateError = 4,
};

class TemplateMgr : public PrintUtility {
 public:
  TemplateMgr();
  ~TemplateMgr() override;

  int32_t state() const noexcept { return _state; }
  const std::vector<TemplateParameter>& parameters() const noexcept { return _parameters; }

  // Keeps the directory that every later file name is taken from ('/' is
  // added unless it ends in one; an empty directory is the working one).
  bool SetCorvelRoot(const char* directory);
  // Reads the template's parameters and keeps its body.
  bool ReadTemplateStub(const char* fileName);
  // Gives the first parameter of the name a new value.
  bool SetParameter(const char* name, const char* value);
  // Writes the stub file "corvel_temp_file.tcs" to the root directory, links
  // the template's body into it and writes the result to the output name;
  // an existing output is replaced only when `overwrite` is set.
  bool extractTcs(const char* outputFileName, bool overwrite);

 private:
  bool _writeOutput(const std::string& outputPath, const std::string& text, bool overwrite);

  int32_t _state = enTemplateStateUninitialized;
  std::string _rootDirectory;
  std::vector<TemplateParameter> _parameters;
  TcsDocument _template;
};

}  // namespace corvel
