// Holds a job at the first log entry of a RecordingUi that matches, until a condition
// holds; the test thread learns through Reached() that the moment came.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
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
    // The hook keeps its state alive: a job may still log after the test is over.
    ui.OnEntry([shared = shared_, matches, until](const std::string& entry) {
      if (shared->fired || !matches(entry)) return;
      shared->fired = true;
      shared->reached.set_value();
      while (!until()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
  }
  bool Reached() {
    return shared_->reached.get_future().wait_for(std::chrono::seconds(120)) == std::future_status::ready;
  }

 private:
  struct Shared {
    std::atomic<bool> fired{false};
    std::promise<void> reached;
  };
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};
