#include "online/fetch_text.h"

#include <algorithm>
#include <cctype>

#include "app/state.h"
#include "platform/ui_port.h"

std::optional<std::uint64_t> ContentLengthOf(std::string_view head) {
  constexpr std::string_view kName = "content-length:";
  for (std::size_t start = 0; start < head.size();) {
    std::size_t end = std::min(head.find('\n', start), head.size());
    std::string_view line = head.substr(start, end - start);
    start = end + 1;
    if (line.size() < kName.size()) continue;
    bool named = std::equal(kName.begin(), kName.end(), line.begin(),
                            [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    if (!named) continue;
    std::uint64_t value = 0;
    std::size_t k = line.find_first_not_of(' ', kName.size());
    if (k == std::string_view::npos) return std::nullopt;
    for (; k < line.size() && line[k] >= '0' && line[k] <= '9'; ++k) {
      if (value > (UINT64_MAX - 9) / 10) return UINT64_MAX;  // beyond any file: still too large
      value = value * 10 + static_cast<std::uint64_t>(line[k] - '0');
    }
    return value;
  }
  return std::nullopt;
}

void ShowNoConnection() {
  ShowWizardBox(Tr("Нет подключения к интернету!", "No internet connection!"), kMbIconExclamation);
}
