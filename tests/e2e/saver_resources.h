// Reading the pictures stored in Veskar.scr the way the program does (the Windows resource
// loaders), for the artwork and preview tests.
#pragma once
#include <windows.h>

#include <string>

#include "harness.h"

namespace e2e {

// Veskar.scr of the build folder loaded as a resource file; freed by the destructor.
class SaverResources {
 public:
  SaverResources();
  ~SaverResources();
  SaverResources(const SaverResources&) = delete;
  SaverResources& operator=(const SaverResources&) = delete;
  HMODULE module() const { return module_; }

  // A bitmap resource as 0x00RRGGBB pixels (empty when it is missing) and its bit depth.
  Pixels bitmap(int id, int* bitsPerPixel = nullptr) const;
  // The raw bytes of a resource.
  std::string bytes(const wchar_t* type, int id) const;

 private:
  HMODULE module_ = nullptr;
};

}  // namespace e2e
