// Drives a Win32 GUI program from outside, the way Wine's own user32 tests do: starts
// it, finds its windows by class, reads and answers its message boxes, clicks its
// buttons with BM_CLICK and captures its client area from the window's DC.
#pragma once

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace gui {

constexpr DWORD kTimeoutMs = 30000;         // Wine starts and paints slowly; a correct run never waits this long
constexpr wchar_t kBoxClass[] = L"#32770";  // message boxes

// Polls every 20 ms until ready() holds; false after timeoutMs.
inline bool WaitUntil(const std::function<bool()>& ready, DWORD timeoutMs = kTimeoutMs) {
  for (ULONGLONG end = GetTickCount64() + timeoutMs; !ready(); Sleep(20)) {
    if (GetTickCount64() > end) return false;
  }
  return true;
}

// The program under test, ended with TerminateProcess when still running at destruction,
// so that a failed test leaves nothing behind for the next one.
class Process {
 public:
  Process() = default;
  ~Process() { Kill(); }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Starts exe without arguments; it inherits this process's environment (QZ_SERVER).
  bool Start(const std::wstring& exe) {
    Kill();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_) != 0;
  }
  // The exit code once the process has ended within timeoutMs.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs = kTimeoutMs) const {
    DWORD code = 0;
    bool ended = info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0;
    return ended && GetExitCodeProcess(info_.hProcess, &code) ? std::optional<DWORD>(code) : std::nullopt;
  }
  void Kill() {
    if (info_.hProcess == nullptr) return;
    if (TerminateProcess(info_.hProcess, 99)) WaitForSingleObject(info_.hProcess, kTimeoutMs);  // fails once ended
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
    info_ = {};
  }

  // A visible top-level window of the process with this class, or null.
  HWND Find(const wchar_t* className) const {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, className, nullptr)) != nullptr;) {
      DWORD pid = 0;
      GetWindowThreadProcessId(window, &pid);
      if (info_.hProcess != nullptr && pid == info_.dwProcessId && IsWindowVisible(window)) return window;
    }
    return nullptr;
  }
  HWND WaitFor(const wchar_t* className) const {
    HWND found = nullptr;
    WaitUntil([&] { return (found = Find(className)) != nullptr; });
    return found;
  }

 private:
  PROCESS_INFORMATION info_{};
};

inline std::wstring Text(HWND window) {
  wchar_t buffer[1024] = {};
  // WM_GETTEXT is carried across processes; GetWindowTextW would not ask another process's window.
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, kTimeoutMs, nullptr);
  return buffer;
}
inline bool Visible(HWND window) { return window != nullptr && IsWindowVisible(window); }
inline bool Checked(HWND button) {
  DWORD_PTR state = 0;
  SendMessageTimeoutW(button, BM_GETCHECK, 0, 0, SMTO_NORMAL, kTimeoutMs, &state);
  return state == BST_CHECKED;
}
// Returns once the window's thread has handled everything before, including a pending
// paint: the first round trip waits out the message being handled, and the thread takes
// a pending WM_PAINT before it can answer the second.
inline bool Sync(HWND window) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &ignored) != 0 &&
         SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &ignored) != 0;
}
// The child's rectangle in its parent's client coordinates.
inline RECT RectInParent(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// 0x00RRGGBB pixels, top row first.
struct Image {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A bitmap's pixels, which it deletes, with a 32-bit picture's alpha in the top byte (0 for 24-bit ones).
inline std::optional<Image> Pixels(HBITMAP bitmap) {
  BITMAP shape{};
  if (bitmap == nullptr || GetObjectW(bitmap, sizeof shape, &shape) == 0) return std::nullopt;
  Image image{shape.bmWidth, shape.bmHeight, std::vector<std::uint32_t>(std::size_t(shape.bmWidth) * shape.bmHeight)};
  BITMAPINFO info{{sizeof(BITMAPINFOHEADER), image.width, -image.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
  HDC screen = GetDC(nullptr);
  int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(image.height), image.pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(bitmap);
  return rows == image.height ? std::optional<Image>(image) : std::nullopt;
}

// The client area as it is on the screen, from the window's own DC.
inline Image CaptureClient(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  HDC source = GetDC(window), memory = CreateCompatibleDC(source);
  HBITMAP bitmap = CreateCompatibleBitmap(source, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(window, source);
  Image shot = Pixels(bitmap).value_or(Image{});
  for (std::uint32_t& pixel : shot.pixels) pixel &= 0xFFFFFF;
  return shot;
}
// The same once two captures 100 ms apart agree (or after 2 s): Wine shows another
// process's painting a moment later.
inline Image CaptureSettled(HWND window) {
  Sync(window);
  Image shot = CaptureClient(window);
  for (int i = 0; i < 20; ++i) {
    Sleep(100);
    Image again = CaptureClient(window);
    if (again.pixels == shot.pixels) break;
    shot = std::move(again);
  }
  return shot;
}

// A 32-bit top-down BMP, opaque.
inline bool WriteBmp(const std::wstring& path, const Image& image) {
  std::vector<std::uint32_t> pixels = image.pixels;
  for (std::uint32_t& pixel : pixels) pixel |= 0xFF000000;
  BITMAPINFOHEADER header{sizeof header, image.width, -image.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  BITMAPFILEHEADER file{0x4D42, 0, 0, 0, sizeof file + sizeof header};
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size() * 4);
  std::ofstream out(path.c_str(), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size() * 4));
  return static_cast<bool>(out);
}

// A message box as its caption, text, owner and visible buttons (among IDOK, IDCANCEL, IDYES
// and IDNO, ascending).
using Box = std::tuple<std::wstring, std::wstring, HWND, std::vector<int>>;
inline Box ReadBox(HWND box) {
  std::vector<int> buttons;
  for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
    if (Visible(GetDlgItem(box, id))) buttons.push_back(id);
  }
  return {Text(box), Text(GetDlgItem(box, 0xFFFF)), GetWindow(box, GW_OWNER), buttons};
}
// Posted, as a click on that button would.
inline void Answer(HWND box, int buttonId) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, buttonId)));
}

}  // namespace gui
