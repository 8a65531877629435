#pragma once
// Test support: import patching to watch and fault the system calls the installer makes,
// child-process scenarios, and reading another process's message box.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Replaces this executable's import of dll!function with replacement while alive.
class ImportPatch {
 public:
  ImportPatch(const char* dll, const char* function, void* replacement);
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;
  ~ImportPatch();
  // The original entry, for replacements that forward.
  template <typename F>
  F original() const { return reinterpret_cast<F>(original_); }
  bool ok() const { return slot_ != nullptr; }

 private:
  void** slot_ = nullptr;
  void* original_ = nullptr;
};

// A scratch folder under the temporary directory, removed with its files on destruction.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& path() const { return path_; }
  std::string File(const char* name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// What a child run of this test program showed and how it ended.
struct ChildOutcome {
  bool boxSeen = false;
  std::string caption;
  std::string text;
  UINT style = 0;  // the box's static icon, as far as it can be told from outside: 0 when none
  DWORD exitCode = 0;
};

// Runs this program with --child=scenario, closes the first message box it shows with OK, and
// waits for it to end. Extra text goes to the child's command line after the scenario.
ChildOutcome RunChild(const char* scenario, const std::string& extra = "");

// Runs a child scenario by name; returns false when the name is unknown.
bool RunChildScenario(const std::string& scenario, const std::string& extra);

// Pumps this thread's messages until the queue is empty.
void PumpMessages();
