#include "support/recording_ui.h"

#include <cstdio>

RecordingUi::RecordingUi() { SetUi(this); }
RecordingUi::~RecordingUi() { SetUi(nullptr); }

int RecordingUi::ShowMessageBox(const MessageBoxRequest& request) {
  // Echoed so that death tests, which only see the child's output, can match it.
  std::fprintf(stderr, "[box %s] %s\n", request.caption.c_str(), request.text.c_str());
  std::lock_guard<std::mutex> hold(lock_);
  boxes_.push_back(request);
  if (answers_.empty()) return kIdOk;
  int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void RecordingUi::Answer(int answer) {
  std::lock_guard<std::mutex> hold(lock_);
  answers_.push_back(answer);
}

std::vector<MessageBoxRequest> RecordingUi::Boxes() const {
  std::lock_guard<std::mutex> hold(lock_);
  return boxes_;
}

std::vector<std::string> RecordingUi::Texts() const {
  std::lock_guard<std::mutex> hold(lock_);
  std::vector<std::string> texts;
  for (const MessageBoxRequest& box : boxes_) texts.push_back(box.text);
  return texts;
}
