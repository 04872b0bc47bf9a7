// The process-wide state of the plug-in's host interface: the host ports, the
// controller, the template manager and the console printer, and the teardown
// that ends a run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "corvel/host/workbench_port.h"

namespace corvel {

class Corvel;
class PrintUtility;
class TemplateMgr;

// Every host port record, receive and transmit mixed, in registration order.
// The records stay in place (the host holds their addresses as port handles)
// until the library unloads.
extern std::vector<std::unique_ptr<WorkbenchPort>> glb_deviceList;

namespace intf {

// The printer of every "CorvelIntf>" line.
PrintUtility& out();

// Null until the first corvel_load_tcs and again after the teardown.
Corvel* controller() noexcept;
// Creates the controller and hands it every host port, in list order.
Corvel& createController();

// Null until the first template command and again after the teardown.
TemplateMgr* templateManager() noexcept;
TemplateMgr& templateManagerCreated();

// Appends a new host port record and answers it.
WorkbenchPort& addHostPort(const WorkbenchPort& record);

// Destroys the template manager and the controller; the host ports stay.
// The controller's run report is kept for the host (runReport).
void teardown();

// The report of the last run torn down (run_report.h); run 0 before any.
const std::string& runReport();

// An enter/exit trace line of the interface layer: printed unless the host
// asked for a quiet console.
void trace(const char* line);

}  // namespace intf
}  // namespace corvel
