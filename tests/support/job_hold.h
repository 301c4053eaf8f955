// Holds a job at the first log entry of a RecordingUi that matches, until a condition
// holds; the test thread learns through Reached() that the moment came.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "app/state.h"
#include "support/recording_ui.h"

class JobHold {
 public:
  // By default the job is held until the user's cancel has been confirmed.
  JobHold(
      RecordingUi& ui, std::function<bool(const std::string&)> matches,
      std::function<bool()> until = [] { return g_cancelRequested.load(); }) {
    ui.OnEntry([this, matches, until](const std::string& entry) {
      if (fired_ || !matches(entry)) return;
      fired_ = true;
      reached_.set_value();
      while (!until()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
  }
  bool Reached() { return reached_.get_future().wait_for(std::chrono::seconds(120)) == std::future_status::ready; }

 private:
  std::atomic<bool> fired_{false};
  std::promise<void> reached_;
};
