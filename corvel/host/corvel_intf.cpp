#include "corvel/host/corvel_intf.h"

#include <libxml/parser.h>

#include "corvel/host/corvel.h"
#include "corvel/host/run_report.h"
#include "corvel/base/print_utility.h"
#include "corvel/base/verbose.h"
#include "corvel/template/template_mgr.h"

namespace corvel {

// Destroyed in reverse order at unload: the template manager and the
// controller first, the printer last.
namespace {
PrintUtility g_out;
}
std::vector<std::unique_ptr<WorkbenchPort>> glb_deviceList;
namespace {
std::unique_ptr<Corvel> g_controller;
std::unique_ptr<TemplateMgr> g_templateMgr;
uint64_t g_runs = 0;
std::string g_runReport;
}  // namespace

namespace intf {

PrintUtility& out() { return g_out; }

Corvel* controller() noexcept { return g_controller.get(); }

Corvel& createController() {
  xmlInitParser();  // the TCS reader needs the XML library ready
  g_controller = std::make_unique<Corvel>();
  for (const std::unique_ptr<WorkbenchPort>& record : glb_deviceList)
    g_controller->registerPort(*record);
  return *g_controller;
}

TemplateMgr* templateManager() noexcept { return g_templateMgr.get(); }

TemplateMgr& templateManagerCreated() {
  if (!g_templateMgr) {
    xmlInitParser();  // templates are read as XML documents
    g_out.print("Corvel> Instantiating TemplateMgr \n");
    g_templateMgr = std::make_unique<TemplateMgr>();
  }
  return *g_templateMgr;
}

WorkbenchPort& addHostPort(const WorkbenchPort& record) {
  glb_deviceList.push_back(std::make_unique<WorkbenchPort>(record));
  return *glb_deviceList.back();
}

void teardown() {
  if (g_templateMgr) {
    g_out.print("CorvelIntf> deleting TemplateMgr object.\n");
    g_templateMgr.reset();
  }
  if (!g_controller) {
    g_out.print("CorvelIntf> Warning, Corvel object was already deleted.\n");
    return;
  }
  g_controller->Stop();
  g_out.print("CorvelIntf> deleting Corvel object.\n");
  std::string report = g_controller->closeRun(++g_runs);
  g_controller.reset();
  g_runReport = std::move(report);
  // The port objects died with the controller: forget the cached pointers so
  // the next controller resolves the host ports afresh.
  for (const std::unique_ptr<WorkbenchPort>& record : glb_deviceList) record->portObject = nullptr;
  g_out.print("CorvelIntf> setting pointer to Corvel to zero.\n");
  g_out.print("CorvelIntf> deleting of Corvel object complete\n");
}

const std::string& runReport() {
  if (g_runReport.empty()) g_runReport = emptyRunReportJson();
  return g_runReport;
}

void trace(const char* line) {
  if (!quietConsole()) g_out.print("%s", line);
}

}  // namespace intf
}  // namespace corvel
