#include "corvel/tcs/tcs_manager.h"

#include "corvel/tcs/tcs_document.h"

namespace corvel {

// The section readers are not written yet: each finds nothing, so a load
// reports every section as missing and ends without ports.

TcsManager::TcsManager(TcsDocument& document) : _document(document) {}

TcsManager::~TcsManager() = default;

bool TcsManager::ReadRootAttributes() { return true; }

bool TcsManager::ReadTableEntries() { return false; }

bool TcsManager::ReadFunctionDefinitions() { return false; }

bool TcsManager::ReadPolicies() { return false; }

bool TcsManager::ReadStreams() { return false; }

bool TcsManager::ReadRxPorts(PyxDevices& /*devices*/) { return false; }

bool TcsManager::ReadTxPorts(PyxDevices& /*devices*/) { return false; }

}  // namespace corvel
