// Stand-ins for starting processes, reading files and the shell's ZIP
// folder. Each records what was asked of it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "fakes/scripted_web.h"
#include "platform/file_reader.h"
#include "platform/processes.h"
#include "platform/zip_shell.h"
#include "support/gate.h"

class FakeProcesses : public platform::Processes {
 public:
  struct Started {
    std::wstring applicationName;  // empty when none was passed
    std::wstring commandLine;
    bool inheritHandles = false;
    std::uint32_t creationFlags = 0;
    bool hadFolder = false;
    std::wstring folder;
  };

  // Script.
  std::uint32_t createError = 0;  // CreateProcessW fails with it when not 0
  std::uint32_t waitResult = platform::kWaitObject0;
  bool exitCodeCallFails = false;
  std::uint32_t exitCode = 0;
  Gate beforeCreate;  // CreateProcessW waits here
  Gate beforeExit;    // WaitForSingleObject waits here

  // Record.
  std::vector<Started> started;
  std::vector<std::uint32_t> waitTimes;
  std::vector<platform::ProcessHandle> waitedFor;
  std::vector<platform::ProcessHandle> exitCodeAsked;
  std::set<platform::ProcessHandle> open;
  std::vector<platform::ProcessHandle> closed;
  platform::ProcessInformation last;

  bool CreateProcessW(const wchar_t* applicationName, wchar_t* commandLine, bool inheritHandles,
                      std::uint32_t creationFlags, const wchar_t* currentDirectory,
                      platform::ProcessInformation& information) override {
    beforeCreate.Pass();
    started.push_back({applicationName ? applicationName : L"", commandLine, inheritHandles, creationFlags,
                       currentDirectory != nullptr,
                       currentDirectory ? currentDirectory : L""});
    if (createError != 0) {
      lastError_ = createError;
      return false;
    }
    information.process = Handle();
    information.thread = Handle();
    information.processId = 4000 + next_;
    information.threadId = 5000 + next_;
    last = information;
    return true;
  }
  std::uint32_t WaitForSingleObject(platform::ProcessHandle handle,
                                    std::uint32_t milliseconds) override {
    waitedFor.push_back(handle);
    waitTimes.push_back(milliseconds);
    beforeExit.Pass();
    return waitResult;
  }
  bool GetExitCodeProcess(platform::ProcessHandle process, std::uint32_t& code) override {
    exitCodeAsked.push_back(process);
    if (exitCodeCallFails) return false;
    code = exitCode;
    return true;
  }
  bool CloseHandle(platform::ProcessHandle handle) override {
    closed.push_back(handle);
    return open.erase(handle) == 1;
  }
  std::uint32_t LastError() override { return lastError_; }

 private:
  platform::ProcessHandle Handle() {
    auto handle = reinterpret_cast<platform::ProcessHandle>(static_cast<std::uintptr_t>(0x100 + ++next_));
    open.insert(handle);
    return handle;
  }
  std::uint32_t lastError_ = 0;
  unsigned next_ = 0;
};

// Reads the files a FakeFileStreams holds.
class FakeFileReaders : public platform::FileReaders {
 public:
  explicit FakeFileReaders(FakeFileStreams& streams) : streams_(streams) {}

  std::set<std::wstring> unreadable;      // opening fails with 5
  std::set<std::wstring> readsFail;       // opening works, reading fails with 23
  std::vector<std::wstring> opened;
  std::uint64_t bytesRead = 0;

  std::unique_ptr<platform::ReadableFile> OpenForReading(const std::wstring& path,
                                                         std::uint32_t& error) override;

 private:
  FakeFileStreams& streams_;
};

class FakeZipShell : public platform::ZipShell {
 public:
  // Files the "shell" writes into the destination before answering.
  std::map<std::wstring, std::string> writes;
  bool answer = false;
  std::vector<std::pair<std::wstring, std::wstring>> calls;
  FakeFileStreams* streams = nullptr;

  bool ExtractZipWithShell(const std::wstring& archive, const std::wstring& destination) override;
};
