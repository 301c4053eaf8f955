#include "wizard/print.h"

#include <cstdint>

#include "app/state.h"
#include "platform/ui_port.h"
#include "wizard/window_data.h"

namespace {
void ShowPrintFailure(const char* text) { ShowWizardBox(text, kMbOk); }

// Prints each piece on a page of its own; false after a failure's message.
bool PrintPages(PrintDevice& device) {
  for (std::u16string_view piece : Licence().russian) {
    if (device.StartPage() <= 0) {
      ShowPrintFailure("Не получилось начать печать страницы!");
      return false;
    }
    device.SelectFont(PrintFontHeight(device.DeviceCaps(PrintDevice::Cap::LogPixelsY)), u"Verdana");
    Rect area{kPrintLeft, kPrintTop, device.DeviceCaps(PrintDevice::Cap::HorzRes) - kPrintRightMargin,
              device.DeviceCaps(PrintDevice::Cap::VertRes) - kPrintBottomMargin};
    if (device.DrawTextIn(std::u16string(piece), area, kPrintDrawFlags) == 0) {
      ShowPrintFailure("Не получилось вывести на страницу текст!");
      return false;
    }
    device.EndPage();
  }
  return true;
}
}  // namespace

int PrintFontHeight(int dotsPerInch) {
  // MulDiv(10, dpi, 72), rounded half away from zero, negated: a character height.
  std::int64_t product = std::int64_t{10} * dotsPerInch;
  std::int64_t rounded = (product >= 0 ? product + 36 : product - 36) / 72;
  return -static_cast<int>(rounded);
}

void PrintLicence() {
  PrinterChoice choice = Ui().ChoosePrinter();
  if (!choice.print) {
    ShowPrintFailure(Tr("Не удалось получить принтер!", "Failed to get printer!"));
    return;
  }
  if (choice.device == nullptr) {
    ShowPrintFailure("Не удалось получить контекст устройства (принтера)!");
    return;
  }
  const std::u16string output = kXpsOutputFile;
  bool xps = choice.deviceName == kXpsWriterName;
  if (choice.device->StartDocument(kPrintDocumentName, xps ? &output : nullptr) <= 0) {
    ShowPrintFailure("Не получилось поставить новый документ в очередь печати!");
    return;
  }
  // A stopped job is aborted rather than left open in the queue; the device context is
  // released with the device either way.
  if (!PrintPages(*choice.device)) {
    choice.device->AbortDoc();
    return;
  }
  choice.device->EndDoc();
}
