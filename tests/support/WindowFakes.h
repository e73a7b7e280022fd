// Test doubles of the main window's services, shared by the window tests of
// every toolkit.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DesktopOpen.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "platform/WindowToolkit.h"
#include "window/UpdateHook.h"

namespace tickerloom::testing {

// Remembers every box; an OK box answers OK, a Yes/No box the next of
// `answers` (none left fails the test). `while_open`, when set, runs while
// the box is "open", the way a toolkit's modal loop runs events.
class RecordingBoxes final : public platform::MessageBoxes {
 public:
  platform::MessageAnswer Show(const platform::Message& message) override {
    shown.push_back(message);
    if (while_open) while_open();
    if (message.buttons == platform::MessageButtons::kOk) return platform::MessageAnswer::kOk;
    if (answers.empty()) throw std::logic_error("unexpected question: " + message.prompt);
    const platform::MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::vector<platform::Message> shown;
  std::deque<platform::MessageAnswer> answers;
  std::function<void()> while_open;
};

class RecordingOpener final : public platform::DesktopOpen {
 public:
  bool Open(platform::NativeWindowHandle owner, const std::string& address) override {
    owners.push_back(owner);
    addresses.push_back(address);
    return false;  // as on a desktop without a browser
  }
  std::vector<platform::NativeWindowHandle> owners;
  std::vector<std::string> addresses;
};

class FixedProcess final : public platform::Process {
 public:
  std::string ProgramFolder() override { return "/opt/nox/"; }
  std::string RunningName() override { return "Quorvane.exe"; }
  std::unique_ptr<platform::StartedProgram> StartProgram(const std::string&) override {
    throw std::logic_error("not in these tests");
  }
  // Thrown past the window's handlers, for the test to catch.
  struct Ended {};
  [[noreturn]] void ExitNow() override { throw Ended{}; }
  bool FileNamesFoldCase() override { return true; }
  std::string WorkingFolder() override { return working_folder; }
  std::vector<std::string> FoldersMakeAvoids() override { return avoided; }
  bool CanStartElevated() override { return can_elevate; }
  bool StartElevated(const std::string& folder, const std::vector<std::string>& inputs) override {
    elevated.push_back(folder);
    elevated.insert(elevated.end(), inputs.begin(), inputs.end());
    return elevation_accepted;
  }
  std::vector<std::string> HandedInputs() override { return handed; }
  std::optional<std::string> VirtualStoreCopyOf(const std::string& path) override {
    if (virtual_store.empty()) return std::nullopt;
    return virtual_store + path;
  }

  bool can_elevate = false;
  bool elevation_accepted = true;
  std::vector<std::string> elevated;  // the folder and the inputs of each elevated start
  std::vector<std::string> handed;
  std::string virtual_store;  // a folder: the copy of each file is there

  std::string working_folder = "C:\\Games\\Nox";
  std::vector<std::string> avoided = {"C:\\WINDOWS", "C:\\Users\\me\\AppData\\Local\\Temp\\"};
};

// A system of a chosen ANSI code page.
class FixedCodePage final : public platform::SystemCodePage {
 public:
  int AnsiCodePage() override { return code_page; }
  int code_page = 1252;
};

// A file layer passed through, noting whether the wait cursor showed while it
// wrote; opening `refused` for writing fails as a missing folder does.
class WatchedFiles final : public platform::FileSystem {
 public:
  WatchedFiles(platform::FileSystem& files, std::function<bool()> wait_cursor_shown)
      : files_(files), wait_cursor_shown_(std::move(wait_cursor_shown)) {}
  bool FileExists(const std::string& path) override { return files_.FileExists(path); }
  std::unique_ptr<platform::TextReader> OpenForReading(const std::string& path) override {
    return files_.OpenForReading(path);
  }
  std::unique_ptr<platform::TextWriter> OpenForWriting(const std::string& path) override {
    Note(path);
    return files_.OpenForWriting(path);
  }
  std::unique_ptr<platform::TextWriter> OpenForReplacing(const std::string& path) override {
    Note(path);
    return files_.OpenForReplacing(path);
  }
  std::unique_ptr<platform::FileLock> LockForUpdate(const std::string& path) override {
    return files_.LockForUpdate(path);
  }
  void RemoveFile(const std::string& path) override { files_.RemoveFile(path); }
  void CheckFolderWritable(const std::string& path) override { files_.CheckFolderWritable(path); }
  void RenameFile(const std::string& from, const std::string& to) override {
    files_.RenameFile(from, to);
  }
  int writes = 0;
  int writes_without_wait_cursor = 0;
  std::string refused;

 private:
  void Note(const std::string& path) {
    ++writes;
    if (!wait_cursor_shown_()) ++writes_without_wait_cursor;
    if (path == refused) throw platform::FileError("create", path, ENOENT);
  }
  platform::FileSystem& files_;
  std::function<bool()> wait_cursor_shown_;
};

class CountingHook final : public window::UpdateHook {
 public:
  void OnLoad(window::WindowHost& window) override {
    ++loads;
    folder_at_load = window.AppFolder();
    if (on_load) on_load(window);
  }
  void OnTimer1(window::WindowHost& window) override {
    ++timer1;
    if (on_timer1) on_timer1(window);
  }
  void OnTimer2(window::WindowHost& window) override {
    ++timer2;
    if (on_timer2) on_timer2(window);
  }
  int loads = 0, timer1 = 0, timer2 = 0;
  std::string folder_at_load;
  std::function<void(window::WindowHost&)> on_load, on_timer1, on_timer2;
};

// Counts the ticks a toolkit delivers to a window.
class RecordingEvents final : public platform::WindowEvents {
 public:
  void Click(std::string_view) override {}
  void Change(std::string_view) override {}
  void Tick(std::string_view) override { ++ticks; }
  int ticks = 0;
};

// A window of one running timer, "Timer".
inline platform::WindowLayout OneTimerLayout(int interval_ms) {
  platform::WindowLayout layout;
  platform::ControlLayout& timer = layout.controls.emplace_back();
  timer.name = "Timer";
  timer.kind = platform::ControlKind::kTimer;
  timer.interval_ms = interval_ms;
  return layout;
}

}  // namespace tickerloom::testing
