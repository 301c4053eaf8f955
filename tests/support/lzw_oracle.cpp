#include "support/lzw_oracle.h"

#include "app/state.h"
#include "platform/ui_port.h"

namespace {
void ShowDictionaryBox() {
  Ui().ShowMessageBox({Tr("Ошибка записи в словарь!\nКлюч уже существует",
                          "Error writing to dictionary!\nKey already exists"),
                       "LZW", kMbOk, BoxOwner::None});
}
}  // namespace

void LiteralLzwDecoder::InitDictionary() {
  for (nextCode_ = 0; nextCode_ < 256; ++nextCode_) {
    if (!AddEntry(nextCode_, std::string(1, static_cast<char>(nextCode_ & 0xFF)))) ShowDictionaryBox();
  }
}

bool LiteralLzwDecoder::LookUp(std::uint32_t code, std::string& entry) const {
  entry.clear();
  auto found = dictionary_.find(code);
  if (found == dictionary_.end()) return false;
  entry = found->second;
  return true;
}

bool LiteralLzwDecoder::AddEntry(std::uint32_t code, const std::string& bytes) {
  return dictionary_.emplace(code, bytes).second;
}

void LiteralLzwDecoder::SetInput(const std::uint8_t* input, std::uint32_t length) {
  input_ = input;
  length_ = length;
  pos_ = 0;
}

void LiteralLzwDecoder::Decode() {
  // Fewer than two bytes left: the odd trailing byte is never read.
  if (length_ < 2 || pos_ > length_ - 2) {
    status_ = Status::Finished;
    return;
  }
  for (;;) {
    if (cancel_ != nullptr && cancel_->load()) {
      status_ = Status::Cancelled;
      return;
    }
    if (dictionary_.size() > 65535) {
      dictionary_.clear();
      InitDictionary();
    }
    code_ = input_[pos_] | static_cast<std::uint32_t>(input_[pos_ + 1]) << 8;
    if (LookUp(code_, entry_)) {
      output_ += entry_;
      previous_ += entry_[0];
      if (started_) {
        if (!AddEntry(nextCode_, previous_)) break;
        ++nextCode_;
      }
      previous_ = entry_;
      started_ = true;
    } else {
      previous_ += previous_.empty() ? '\0' : previous_[0];
      output_ += previous_;
      if (!AddEntry(nextCode_, previous_)) break;
      ++nextCode_;
    }
    pos_ += 2;
    if (pos_ > length_ - 2) {
      status_ = Status::Finished;
      return;
    }
  }
  ShowDictionaryBox();
  status_ = Status::DictionaryRefused;
}

std::vector<std::uint8_t> LiteralLzwDecode(std::span<const std::uint8_t> input, const std::atomic<bool>* cancel) {
  LiteralLzwDecoder decoder(cancel);
  decoder.InitDictionary();
  decoder.SetInput(input.data(), static_cast<std::uint32_t>(input.size()));
  decoder.Decode();
  const std::string& output = decoder.Output();
  return {output.begin(), output.end()};
}
