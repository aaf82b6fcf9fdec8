// register, unregister and classes: the module's self-registration as a host
// (or a package's maintainer scripts) drives it, and what the registry holds
// for the module's classes.
#include <cstdio>

#include "kxhost/commands.h"
#include "kxhost/hostModule.h"

namespace kxhost {

namespace {

const char kRegisterUsage[] = "register [--module PATH]";
const char kUnregisterUsage[] = "unregister [--module PATH]";
const char kClassesUsage[] = "classes";

// Loads the module and runs one of its registration entry points.
int RunRegistration(const HostContext& context, const char* usage, bool registering) {
  std::string error;
  if (!CheckOptions(context.line, {"module"}, &error) || !ExpectOperands(context.line, 0, usage, &error)) {
    return ReportFailure(error);
  }
  ModuleLibrary module;
  if (!OpenModule(context, module, &error)) return ReportFailure(error);
  const HRESULT status = registering ? module.registerServer() : module.unregisterServer();
  const char* entry = registering ? "DllRegisterServer" : "DllUnregisterServer";
  if (FAILED(status))
    return ReportFailure(std::string(entry) + " of " + module.path() + " failed: " + StatusText(status));
  std::printf("%s %s: %s\n", registering ? "registered" : "unregistered", module.path().c_str(),
              StatusText(status).c_str());
  return 0;
}

}  // namespace

int RegisterCommand(const HostContext& context) { return RunRegistration(context, kRegisterUsage, true); }

int UnregisterCommand(const HostContext& context) { return RunRegistration(context, kUnregisterUsage, false); }

int ClassesCommand(const HostContext& context) {
  std::string error;
  if (!CheckOptions(context.line, {}, &error) || !ExpectOperands(context.line, 0, kClassesUsage, &error)) {
    return ReportFailure(error);
  }
  std::string root;
  if (!KxRegistryRootDirectory(&root)) return ReportFailure("no registry: neither KX_REGISTRY_ROOT nor HOME is set");
  std::printf("registry %s\n", root.c_str());

  // One line per class: its key, then what the key holds.
  size_t count = 0;
  const KnownClass* classes = KnownClasses(&count);
  for (size_t i = 0; i < count; ++i) {
    const std::string key = KxClassIdText(*classes[i].clsid);
    std::string name;
    std::string path;
    std::string threading;
    if (!KxReadRegistryText({"CLSID", key}, "", &name)) {
      std::printf("%s  %-40s not registered\n", key.c_str(), classes[i].name);
      continue;
    }
    KxReadRegistryText({"CLSID", key, "InprocServer32"}, "", &path);
    KxReadRegistryText({"CLSID", key, "InprocServer32"}, "ThreadingModel", &threading);
    std::printf("%s  %-40s %s  threading %s\n", key.c_str(), name.c_str(), path.empty() ? "(no module)" : path.c_str(),
                threading.empty() ? "(none)" : threading.c_str());
  }
  return 0;
}

}  // namespace kxhost
