// The tests' UI port: logs every call in order and answers message boxes from a script.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui_port.h"

class RecordingUi final : public UiPort {
 public:
  RecordingUi();   // installs itself as the port
  ~RecordingUi();  // restores the default port

  int ShowMessageBox(const MessageBoxRequest& request) override;

  void Answer(int answer);  // queued answers; kIdOk once the queue is empty
  std::vector<MessageBoxRequest> Boxes() const;
  std::vector<std::string> Texts() const;  // the boxes' texts alone

 private:
  mutable std::mutex lock_;
  std::vector<MessageBoxRequest> boxes_;
  std::deque<int> answers_;
};
