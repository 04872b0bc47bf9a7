#include "corvel/template/template_mgr.h"

namespace corvel {

// Template processing is not available yet: every operation says so and fails.

namespace {
constexpr const char* kUnavailable = "Corvel> Error, the template manager is not available.\n";
}

TemplateMgr::TemplateMgr() = default;
TemplateMgr::~TemplateMgr() = default;

bool TemplateMgr::SetCorvelRoot(const char* /*directory*/) {
  print("%s", kUnavailable);
  return false;
}

bool TemplateMgr::ReadTemplateStub(const char* /*fileName*/) {
  print("%s", kUnavailable);
  return false;
}

bool TemplateMgr::SetParameter(const char* /*name*/, const char* /*value*/) {
  print("%s", kUnavailable);
  return false;
}

bool TemplateMgr::ExtractTcs(const char* /*outputFileName*/, bool /*overwrite*/) {
  print("%s", kUnavailable);
  return false;
}

}  // namespace corvel
