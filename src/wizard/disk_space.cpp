#include "wizard/disk_space.h"

#include <cstdint>
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

std::optional<std::uint64_t> ParseSizeText(const char (&text)[kSizeTextCapacity]) {
  std::uint64_t value = 0;
  std::size_t i = 0;
  for (; i < sizeof text && text[i] >= '0' && text[i] <= '9'; ++i) {
    auto digit = static_cast<std::uint64_t>(text[i] - '0');
    if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  if (i == 0 || i == sizeof text) return std::nullopt;
  return value;
}

void ReportAvailableSpace() {
  g_spaceAvailable = FreeBytesForRoot(g_simRoot);
  FillSpaceLine(g_spaceAvailableLine, Tr(u"Доступно на диске: ", u"Available disk space: "), g_spaceAvailable);
}

DiskSpaceResult ReportDiskSpace() {
  std::memset(g_sizeText, 0, sizeof g_sizeText);
  if (FetchText(ServerUrl(Resource::FilesSize), g_sizeText, sizeof g_sizeText) == FetchResult::NoConnection) {
    ShowNoConnection();
    return DiskSpaceResult::NoConnection;
  }
  // Any decimal size; an error page, an empty reply or a number too large for 64 bits
  // is no size.
  std::optional<std::uint64_t> size = ParseSizeText(g_sizeText);
  if (!size) {
    ShowWizardBox(Tr("Файл \"Size\" не найден!", "File \"Size\" not found!"), kMbIconExclamation);
    return DiskSpaceResult::SizeMissing;
  }
  g_spaceRequired = *size;
  FillSpaceLine(g_spaceRequiredLine, Tr(u"Требуется на диске: ", u"Disk space required: "), g_spaceRequired);
  ReportAvailableSpace();
  Ui().Repaint();
  return DiskSpaceResult::Done;
}
