#include "corvel/template/template_mgr.h"

#include <cstdio>
#include <optional>
#include <utility>

#include "corvel/base/text_error.h"
#include "corvel/template/output_file.h"
#include "corvel/template/parameter_stub.h"
#include "corvel/template/template_link.h"
#include "corvel/template/template_source.h"

namespace corvel {
namespace {

std::string textOf(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

TemplateMgr::TemplateMgr() = default;
TemplateMgr::~TemplateMgr() = default;

bool TemplateMgr::SetCorvelRoot(const char* directory) {
  if (_state != enTemplateStateUninitialized) {
    print("Corvel> Unable to SetCorvelRoot because Corvel is not in the enCorvelStateUninitialized state\n");
    return false;
  }
  _rootDirectory = joinPath(textOf(directory), "");
  print("Corvel> Parameter root dir: %s\n", _rootDirectory.c_str());
  _state = enTemplateStateRootSpecified;
  print("Corvel> Transistion templateMgr to enTemplateStateRootSpecified.\n");
  return true;
}

bool TemplateMgr::ReadTemplateStub(const char* fileName) {
  if (_state != enTemplateStateRootSpecified) {
    print("Corvel> Unable to ReadTemplateStub because Corvel is not in the enCorvelStateRootSpecified state\n");
    return false;
  }
  const std::string path = _rootDirectory + textOf(fileName);
  const SourceText source = readSourceFile(path);
  if (source.status == SourceStatus::kCannotOpen) {
    print("Corvel> Unable to open file: %s\n", path.c_str());
    return false;
  }
  print("Corvel> Template filename : %s\n", path.c_str());
  // Every attempt starts afresh, so a template mended after a refusal reads
  // cleanly.
  _parameters.clear();
  _template.adopt(nullptr, std::string());

  SourceParse parse;
  if (source.status == SourceStatus::kRead) parse = parseSource(source.content, path, true);
  if (!parse.document) {
    if (source.status == SourceStatus::kTooLarge) {
      printTooLargeReport(*this, path);
    } else if (source.status == SourceStatus::kReadError) {
      ParseErrorRecord record;
      std::snprintf(record.reason, sizeof record.reason, "The file could not be read");
      printParseReport(*this, path, record);
    } else if (!parse.noParser) {
      printParseReport(*this, path, parse.record);
    }
    _state = enTemplateStateError;
    print("Corvel> Error, unable to load template file\n");
    print("Corvel> Transistion templateMgr to enTemplateStateError.\n");
    return false;
  }

  print("Corvel> Extracting parameters...\n");
  ParameterExtraction extraction = extractParameters(parse, path);
  _parameters = std::move(extraction.parameters);
  if (!extraction.failure.empty()) {
    print("%s", extraction.failure.c_str());
    return false;
  }
  // The same parse is the template document: read without entity
  // substitution, its body keeps every "&NAME;".
  _template.adopt(parse.document.release(), path);
  _state = enTemplateStateTemplateLoaded;
  print("Corvel> Transistion templateMgr to enTemplateStateTemplateLoaded.\n");
  return true;
}

bool TemplateMgr::SetParameter(const char* name, const char* value) {
  if (_state != enTemplateStateTemplateLoaded) {
    print("Corvel> SetParameter ignored because Corvel is not in the enCorvelStateTemplateLoaded state\n");
    return false;
  }
  if (_parameters.empty()) {
    print("Corvel> SetParameter ignored because no parameters exists\n");
    return false;
  }
  TemplateParameter* parameter = findParameter(_parameters, textOf(name));
  if (parameter == nullptr) {
    print("Corvel>   Warning, unable to locate parameter %s\n", name != nullptr ? name : "(null)");
    return false;
  }
  parameter->value = textOf(value);
  parameter->literal.reset();
  return true;
}

bool TemplateMgr::extractTcs(const char* outputFileName, bool overwrite) {
  if (_state != enTemplateStateTemplateLoaded) {
    print("Corvel> Unable to extract a tcs file because Corvel is not in the enCorvelStateTemplateLoaded state\n");
    return false;
  }
  // A second document appended to an existing file would not parse: without
  // overwrite an existing output is refused (the console still says append).
  const std::string outputPath = _rootDirectory + textOf(outputFileName);
  if (!overwrite && pathExists(outputPath)) {
    print("Corvel> Error, output filename already exists: %s\n", outputPath.c_str());
    return false;
  }
  print("Corvel> Output filename: %s\n", outputPath.c_str());
  if (const std::optional<std::string> refusal = stubRefusal(_parameters)) {
    print("%s", refusal->c_str());
    return false;
  }

  print("Corvel> Parameters:\n");
  for (const TemplateParameter& parameter : _parameters)
    if (!parameter.isLocation()) print("Corvel>   %s = %s\n", parameter.name.c_str(), parameter.value.c_str());
  const std::string prolog = parameterStubProlog(_parameters);
  const std::string stubPath = _rootDirectory + std::string(kStubFileName);
  if (!writeWholeFile(stubPath, prolog + std::string(kStubBody))) {
    print("Corvel> Error, writing of stub file (%s) failed.\n", stubPath.c_str());
    return false;
  }

  const std::optional<std::string> linked = linkTemplate(*this, prolog, stubPath, _template.document());
  if (!linked || !_writeOutput(outputPath, *linked, overwrite)) {
    print("Corvel> Error, unable to link template and stub.\n");
    return false;
  }
  _parameters.clear();
  _template.adopt(nullptr, std::string());
  _state = enTemplateStateUninitialized;
  print("Corvel> Transistion templateMgr to  enTemplateStateUninitialized.\n");
  return true;
}

bool TemplateMgr::_writeOutput(const std::string& outputPath, const std::string& text, bool overwrite) {
  OutputFile output(outputPath);
  std::string error;
  if (!output.write(text, error)) {
    print("Corvel> Error, unable to write %s: %s\n", outputPath.c_str(), error.c_str());
    return false;
  }
  // Loaded through the TCS loader before it takes the output's name: what
  // does not load never appears there.
  try {
    TcsDocument check;
    LoadDocument(check, output.temporaryPath());
  } catch (const TextError&) {
    print("Corvel> Error, the generated file does not load as a TCS file: %s\n", outputPath.c_str());
    return false;
  }
  switch (output.commit(overwrite, error)) {
    case OutputFile::Commit::kDone:
      return true;
    case OutputFile::Commit::kExists:
      print("Corvel> Error, output filename already exists: %s\n", outputPath.c_str());
      return false;
    case OutputFile::Commit::kFailed:
      break;
  }
  print("Corvel> Error, unable to write %s: %s\n", outputPath.c_str(), error.c_str());
  return false;
}

}  // namespace corvel
