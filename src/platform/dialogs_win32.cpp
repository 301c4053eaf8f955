#include "platform/dialogs_win32.h"

#include <windows.h>

#include <objbase.h>  // before commdlg.h, which declares PrintDlgEx only after COM

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "platform/wide_text.h"

namespace {
class GdiPrintDevice final : public PrintDevice {
 public:
  explicit GdiPrintDevice(HDC dc) : dc_(dc) {}
  ~GdiPrintDevice() override {
    DeleteDC(dc_);
    for (HFONT font : fonts_) DeleteObject(font);  // no longer selected once the context is gone
  }
  GdiPrintDevice(const GdiPrintDevice&) = delete;
  GdiPrintDevice& operator=(const GdiPrintDevice&) = delete;

  int StartDocument(const std::u16string& documentName, const std::u16string* outputFile) override {
    DOCINFOW info{};
    info.cbSize = sizeof info;
    info.lpszDocName = Wide(documentName);
    info.lpszOutput = outputFile != nullptr ? Wide(*outputFile) : nullptr;
    return StartDocW(dc_, &info);
  }
  int StartPage() override { return ::StartPage(dc_); }
  int DeviceCaps(Cap cap) override { return GetDeviceCaps(dc_, static_cast<int>(cap)); }
  void SelectFont(int height, const std::u16string& face) override {
    HFONT font = CreateFontW(height, 0, 0, 0, 0, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, Wide(face));
    if (font == nullptr) return;
    SelectObject(dc_, font);
    fonts_.push_back(font);
  }
  int DrawTextIn(const std::u16string& text, const Rect& rect, unsigned flags) override {
    RECT area{rect.left, rect.top, rect.right, rect.bottom};
    return DrawTextW(dc_, Wide(text), static_cast<int>(text.size()), &area, flags);
  }
  int EndPage() override { return ::EndPage(dc_); }
  int EndDoc() override { return ::EndDoc(dc_); }
  int AbortDoc() override { return ::AbortDoc(dc_); }

 private:
  static const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

  HDC dc_;
  std::vector<HFONT> fonts_;
};

std::u16string DeviceName(HGLOBAL devNames) {
  std::u16string name;
  if (devNames == nullptr) return name;
  if (auto* names = static_cast<DEVNAMES*>(GlobalLock(devNames))) {
    name = reinterpret_cast<const char16_t*>(reinterpret_cast<const wchar_t*>(names) + names->wDeviceOffset);
    GlobalUnlock(devNames);
  }
  return name;
}
}  // namespace

std::string NarrowPathOrEmpty(const std::wstring& path) {
  if (path.empty()) return {};
  BOOL lossy = FALSE;
  int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), static_cast<int>(path.size()), nullptr, 0,
                                  nullptr, &lossy);
  if (bytes <= 0 || lossy) return {};
  std::string narrow(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), static_cast<int>(path.size()), narrow.data(), bytes,
                      nullptr, nullptr);
  return narrow;
}

std::optional<std::string> ShowFolderDialog(void* owner, const std::string& title, unsigned flags) {
  std::wstring wideTitle = WidenUtf8(title);
  wchar_t path[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = static_cast<HWND>(owner);
  info.pszDisplayName = path;
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = flags;
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
  if (item == nullptr) return std::nullopt;
  // An item without a file-system path must come out empty, whatever the call leaves.
  if (!SHGetPathFromIDListW(item, path)) path[0] = L'\0';
  CoTaskMemFree(item);
  return NarrowPathOrEmpty(path);
}

PrinterChoice ShowPrintDialog(void* owner) {
  PRINTDLGEXW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = static_cast<HWND>(owner);
  dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS;
  dialog.nStartPage = START_PAGE_GENERAL;
  PrinterChoice choice;
  choice.print = PrintDlgExW(&dialog) == S_OK && dialog.dwResultAction == PD_RESULT_PRINT;
  if (choice.print) choice.deviceName = DeviceName(dialog.hDevNames);
  if (dialog.hDevMode != nullptr) GlobalFree(dialog.hDevMode);
  if (dialog.hDevNames != nullptr) GlobalFree(dialog.hDevNames);
  if (dialog.hDC != nullptr) {
    if (choice.print) {
      choice.device = PrintDeviceForDc(dialog.hDC);
    } else {
      DeleteDC(dialog.hDC);
    }
  }
  return choice;
}

std::unique_ptr<PrintDevice> PrintDeviceForDc(void* dc) {
  return std::make_unique<GdiPrintDevice>(static_cast<HDC>(dc));
}
