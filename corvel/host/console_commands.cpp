#include "corvel/host/console_commands.h"

#include <cstdio>
#include <string>

#include "corvel/host/corvel.h"
#include "corvel/host/corvel_intf.h"
#include "corvel/base/print_utility.h"
#include "corvel/base/text_error.h"
#include "corvel/base/verbose.h"
#include "corvel/template/template_mgr.h"
#include "pyx/tolk.h"

namespace corvel {

namespace {

bool g_registered = false;

// Shown by corvel_load_tcs; the release text is cut from the revision stamp.
constexpr const char* kNotice = "corvel_lite traffic simulator for the PyxLite network processor";
constexpr const char* kIteration = "  Iteration 5.0 Preliminary";
constexpr const char* kRevision = "$JustDate: 12/10/02 $";

std::string releaseText() {
  const std::string revision(kRevision);
  const size_t colon = revision.find(':');
  return std::string(" PyxLite -") + (colon == std::string::npos ? "" : revision.substr(colon + 1));
}

// The handler as the host stores it; the host casts it back to the shape of
// the declared argument counts.
template <typename Handler>
TOLK_ConsoleFunction untyped(Handler handler) {
  // Through void (*)(): the generic function pointer type, compatible with any.
  return reinterpret_cast<TOLK_ConsoleFunction>(reinterpret_cast<void (*)()>(handler));
}

struct Command {
  const char* name;
  TOLK_ConsoleFunction handler;
  int stringArgs;
  int intArgs;
};

void reportHandlerFailure(const char* command, const char* text) {
  if (text)
    intf::out().print("CorvelIntf> ERROR: Exception during %s: %s\n", command, text);
  else
    intf::out().print("CorvelIntf> ERROR: Exception during %s!\n", command);
}

}  // namespace

bool DLL_CorvelInit() {
  PrintUtility& out = intf::out();
  try {
    intf::trace("CorvelIntf> DLL_CorvelInit() - start\n");
    if (g_registered) {
      out.print("CorvelIntf> Corvel functions already loaded.");
      return false;
    }
    out.print("CorvelIntf>   registering functions\n");
    const Command commands[] = {
        {"corvel_load_tcs", untyped(&corvel_load_tcs), 1, 0},
        {"corvel_start", untyped(&corvel_start), 0, 0},
        {"corvel_verbose", untyped(&corvel_verbose), 0, 1},
        {"corvel_set_root_dir", untyped(&corvel_set_root_dir), 1, 0},
        {"corvel_set_tx_configuration", untyped(&corvel_set_tx_configuration), 1, 0},
        {"corvel_load_template", untyped(&corvel_load_template), 1, 0},
        {"corvel_set_parameter", untyped(&corvel_set_parameter), 2, 0},
        {"corvel_set_int_parameter", untyped(&corvel_set_int_parameter), 1, 1},
        {"corvel_extract_tcs", untyped(&corvel_extract_tcs), 1, 1},
        {"corvel_char_function", untyped(&corvel_char_function), 3, 0},
    };
    for (const Command& c : commands) {
      if (TOLK_register_console_function(c.name, c.handler, c.stringArgs, c.intArgs) == 0) {
        std::fprintf(stderr, "TOLK_register_console_function() %s failed\n", c.name);
        return false;
      }
    }
    g_registered = true;
    intf::trace("CorvelIntf> DLL_CorvelInit() - exit\n");
    return true;
  } catch (...) {
    out.print("CorvelIntf> ERROR: Exception during DLL_Init!\n");
    return false;
  }
}

int corvel_load_tcs(const char* fileName) {
  PrintUtility& out = intf::out();
  try {
    intf::trace("CorvelIntf> corvel_load_tcs() - enter\n");
    out.print("CorvelIntf> %s\n", kNotice);
    out.print("CorvelIntf> %s (%s)\n", kIteration, releaseText().c_str());
    if (!intf::controller()) intf::createController().LoadTcs(fileName);
  } catch (const TextError& e) {
    out.print("CorvelIntf> ERROR: Exception during corvel_load_tcs!\n");
    out.print("CorvelIntf> %s", e.text());
  } catch (...) {
    out.print("CorvelIntf> ERROR: Unknown exception during corvel_load_tcs!\n");
  }
  intf::trace("CorvelIntf> corvel_load_tcs() - exit\n");
  return 0;
}

int corvel_start() {
  PrintUtility& out = intf::out();
  int result = 0;
  try {
    intf::trace("CorvelIntf> corvel_start() - enter \n");
    if (Corvel* controller = intf::controller()) result = controller->InitializeStreams() ? 1 : 0;
  } catch (const TextError& e) {
    out.print("CorvelIntf> ERROR: Exception during corvel_start: %s\n", e.text());
    result = 0;
  } catch (...) {
    out.print("CorvelIntf> ERROR: Exception during corvel_start!\n");
    result = 0;
  }
  intf::trace("CorvelIntf> corvel_start() - exit\n");
  return result;
}

int corvel_verbose(int32_t level) {
  try {
    setVerboseLevel(boundedVerboseLevel(level));
    intf::out().print("CorvelIntf> corvel verbose level = %d.\n", storedVerboseLevel());
  } catch (...) {
  }
  return 1;
}

int corvel_set_root_dir(const char* directory) {
  int result = 0;
  try {
    intf::trace("CorvelIntf> corvel_set_root_dir() - enter\n");
    result = intf::templateManagerCreated().SetCorvelRoot(directory) ? 1 : 0;
  } catch (const TextError& e) {
    reportHandlerFailure("corvel_set_root_dir", e.text());
  } catch (...) {
    reportHandlerFailure("corvel_set_root_dir", nullptr);
  }
  intf::trace("CorvelIntf> corvel_set_root_dir() - exit\n");
  return result;
}

int corvel_set_tx_configuration(const char* name) {
  PrintUtility& out = intf::out();
  try {
    intf::trace("CorvelIntf> corvel_set_tx_configuration(...) - enter \n");
    if (Corvel* controller = intf::controller()) controller->SetTxConfiguration(name);
  } catch (const TextError& e) {
    out.print("CorvelIntf> ERROR: Exception during corvel_set_tx_configuration: %s\n", e.text());
  } catch (...) {
    out.print("CorvelIntf> ERROR: Exception during corvel_set_tx_configuration!\n");
  }
  return 0;
}

int corvel_load_template(const char* fileName) {
  int result = 0;
  try {
    intf::trace("CorvelIntf> corvel_load_template() - enter\n");
    result = intf::templateManagerCreated().ReadTemplateStub(fileName) ? 1 : 0;
  } catch (const TextError& e) {
    reportHandlerFailure("corvel_load_template", e.text());
  } catch (...) {
    reportHandlerFailure("corvel_load_template", nullptr);
  }
  intf::trace("CorvelIntf> corvel_load_template() - exit\n");
  return result;
}

int corvel_set_parameter(const char* name, const char* value) {
  try {
    return intf::templateManagerCreated().SetParameter(name, value) ? 1 : 0;
  } catch (const TextError& e) {
    reportHandlerFailure("corvel_set_parameter", e.text());
  } catch (...) {
    reportHandlerFailure("corvel_set_parameter", nullptr);
  }
  return 0;
}

int corvel_set_int_parameter(const char* name, int32_t value) {
  try {
    const std::string text = std::to_string(value);
    intf::templateManagerCreated().SetParameter(name, text.c_str());
  } catch (const TextError& e) {
    reportHandlerFailure("corvel_set_int_parameter", e.text());
  } catch (...) {
    reportHandlerFailure("corvel_set_int_parameter", nullptr);
  }
  return 0;
}

int corvel_extract_tcs(const char* fileName, int32_t mode) {
  PrintUtility& out = intf::out();
  int result = 0;
  try {
    intf::trace("CorvelIntf> corvel_extract_tcs() - enter\n");
    if (TemplateMgr* manager = intf::templateManager()) {
      const bool overwrite = mode == 1;
      out.print("CorvelIntf> Extracting to %s (", fileName ? fileName : "(null)");
      out.print("%s", overwrite ? "overwrite)\n" : "append)\n");
      if (manager->extractTcs(fileName, overwrite))
        result = 1;
      else
        out.print("CorvelIntf> Error, Parameters not loaded\n");
    }
  } catch (const TextError& e) {
    reportHandlerFailure("corvel_extract_tcs", e.text());
  } catch (...) {
    reportHandlerFailure("corvel_extract_tcs", nullptr);
  }
  intf::trace("CorvelIntf> corvel_extract_tcs() - exit\n");
  return result;
}

int corvel_char_function(const char*, const char*, const char*) { return 0; }

}  // namespace corvel
