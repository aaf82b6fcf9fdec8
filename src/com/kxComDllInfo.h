// Module information: the class table, the module's path, and the operations
// behind the exported entry points.
#ifndef KELVANE_COM_KX_COM_DLL_INFO_H
#define KELVANE_COM_KX_COM_DLL_INFO_H

#include "com/kxComClassEntry.h"

namespace Kelvane {

class KxComDllInfo {
 public:
  constexpr explicit KxComDllInfo(const KxComClassEntry* classTable) : classTable_(classTable) {}
  KxComDllInfo(const KxComDllInfo&) = delete;
  KxComDllInfo& operator=(const KxComDllInfo&) = delete;

  // Slot 0: frees the module path.
  virtual ~KxComDllInfo();
  // Slot 1: hands out a class object for a row of the class table.
  virtual HRESULT GetClassObject(const CLSID& clsid, const IID& iid, void** out);
  // Slots 2 and 3: write or remove the registration of every row.
  virtual HRESULT RegisterServer();
  virtual HRESULT UnregisterServer();
  // Slot 4: S_OK when no object lives and no lock is held, else S_FALSE.
  virtual HRESULT CanUnloadNow();
  // Slots 5 and 6: module attach and detach hooks.
  virtual HRESULT OnAttach();
  virtual HRESULT OnDetach();

  // Replaces the stored copy of the path; raises KxUtilException(KX_STATUS_OUT_OF_MEMORY) when the
  // copy cannot be allocated.
  void SetModulePath(const char* path);
  const char* modulePath() const { return modulePath_; }
  const KxComClassEntry* classTable() const { return classTable_; }

 private:
  const KxComClassEntry* classTable_;  // static, ends with a null-clsid row
  char* modulePath_ = nullptr;         // owned; null until attach
};

// Reasons the platform passes to the module-entry routine.
enum KxModuleEntryReason : unsigned {
  KX_PROCESS_DETACH = 0,
  KX_PROCESS_ATTACH = 1,
};

// Platform module-entry routine: stores the module's path and runs the attach
// hook on KX_PROCESS_ATTACH, runs the detach hook on KX_PROCESS_DETACH;
// anything else (thread notifications) does nothing and gives false.
bool KxModuleEntry(KxComDllInfo& info, unsigned reason);

}  // namespace Kelvane

#endif  // KELVANE_COM_KX_COM_DLL_INFO_H
