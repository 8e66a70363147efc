// The process entry: guards against a second copy, sets up the toolkit,
// runs the main window and takes the process down in a fixed order.
#pragma once
#include <string>

namespace Startup {

// A label's text (such as "Downloader_id") found by a plain text search of the
// configuration entry, before any XML parsing; empty when not found.
std::string ExtractEarlyLabel(const std::string& configureXml, const char* label);

// Runs the whole start-up; always answers 0.
int RunStub(const std::wstring& commandLine);

// What the shut-down does, one call per step; tests record the calls.
class ShutDownSteps {
 public:
  virtual ~ShutDownSteps() = default;
  virtual void Log(const char* line);   // an INFO line of the log
  virtual void TermToolkit();           // cached images, fonts, the skin package
  virtual void ReleaseInstanceMutex();  // the slot's mutex: released, closed, slot emptied
  virtual void DrainTelemetry();        // the queue delivered, its thread ended
  virtual void UninitializeCom();

  static ShutDownSteps& Real();
};

// Takes the process down in the fixed order, whichever way the start-up
// ends: " Wait exit 1", toolkit, mutex, " Wait exit 2", telemetry,
// " Wait exit 3", COM. Each start-up step arms the step that undoes it, so an
// early exit runs only those; the armed steps run once, on Run() or when the
// object goes.
class ShutDown {
 public:
  enum Step : unsigned {
    kCom = 1u << 0,
    kToolkit = 1u << 1,
    kInstanceMutex = 1u << 2,
    kTelemetry = 1u << 3,
    kWaitLines = 1u << 4,  // the three " Wait exit" lines: only after the message loop's turn
  };

  explicit ShutDown(ShutDownSteps& steps = ShutDownSteps::Real()) : steps_(steps) {}
  ~ShutDown() { Run(); }
  ShutDown(const ShutDown&) = delete;
  ShutDown& operator=(const ShutDown&) = delete;

  void Arm(unsigned steps) { armed_ |= steps; }
  void Run();

 private:
  ShutDownSteps& steps_;
  unsigned armed_ = 0;
};

}  // namespace Startup
