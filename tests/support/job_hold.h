// Holds a job at the first log entry of a RecordingUi that matches, until a condition
// holds; the test thread learns through Reached() that the moment came.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/state.h"
#include "support/recording_ui.h"

class JobHold {
 public:
  // By default the job is held until the user's cancel has been confirmed.
  JobHold(RecordingUi& ui, std::function<bool(const std::string&)> matches,
          std::function<bool()> until = [] { return g_cancelRequested.load(); }) {
    // The hook keeps the flag alive: a job may still log after the test is over.
    ui.OnEntry([fired = fired_, matches, until](const std::string& entry) {
      if (!matches(entry) || fired->exchange(true)) return;
      while (!until()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
  }
  bool Reached() {
    for (int ms = 0; ms < 120000 && !*fired_; ++ms) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return *fired_;
  }

 private:
  std::shared_ptr<std::atomic<bool>> fired_ = std::make_shared<std::atomic<bool>>(false);
};
