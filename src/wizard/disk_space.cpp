#include "wizard/disk_space.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "app/size_text.h"
#include "app/state.h"
#include "online/fetch_text.h"
#include "online/server.h"
#include "platform/fs.h"
#include "platform/ui_port.h"

namespace {
// "%s%s %s": label, number, unit.
void FillSpaceLine(char16_t (&line)[64], const char16_t* label, std::uint64_t bytes) {
  SizeText size = FormatSizeText(bytes, g_russian);
  StoreWideText(line, std::u16string(label) + size.number + u" " + size.unit);
}
}  // namespace

std::int32_t ParseSizeText(const char (&text)[16]) {
  std::size_t i = 0;
  auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < sizeof text && isSpace(text[i])) ++i;
  bool negative = i < sizeof text && text[i] == '-';
  if (i < sizeof text && (text[i] == '-' || text[i] == '+')) ++i;
  std::int64_t value = 0;
  for (; i < sizeof text && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), std::int64_t{INT_MAX} + 1);
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(std::min<std::int64_t>(value, INT_MAX));
}

DiskSpaceResult ReportDiskSpace() {
  std::memset(g_sizeText, 0, sizeof g_sizeText);
  if (FetchText(ServerUrl(Resource::FilesSize), g_sizeText, sizeof g_sizeText) == FetchResult::NoConnection) {
    ShowNoConnection();
    return DiskSpaceResult::NoConnection;
  }
  if (g_sizeText[0] != '1') {
    ShowWizardBox(Tr("Файл \"Size\" не найден!", "File \"Size\" not found!"), kMbIconExclamation);
    return DiskSpaceResult::SizeMissing;
  }
  // Widened with its sign, as the platform does with atoi's int.
  g_spaceRequired = static_cast<std::uint64_t>(static_cast<std::int64_t>(ParseSizeText(g_sizeText)));
  FillSpaceLine(g_spaceRequiredLine, Tr(u"Требуется на диске: ", u"Disk space required: "), g_spaceRequired);
  g_spaceAvailable = FreeBytesForRoot(g_simRoot);
  FillSpaceLine(g_spaceAvailableLine, Tr(u"Доступно на диске: ", u"Available disk space: "), g_spaceAvailable);
  Ui().Repaint();
  return DiskSpaceResult::Done;
}
