// Drives a Win32 GUI program from outside, the way Wine's own user32 tests do: starts
// it, finds its windows by class, reads and answers its message boxes, clicks its
// buttons with BM_CLICK and captures its client area from the window's DC.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace gui {

constexpr DWORD kTimeoutMs = 30000;  // Wine starts and paints slowly; a correct run never waits this long

// Polls every 20 ms until ready() holds; false after timeoutMs.
bool WaitUntil(const std::function<bool()>& ready, DWORD timeoutMs = kTimeoutMs);

// The program under test, ended with TerminateProcess when still running at destruction,
// so that a failed test leaves nothing behind for the next one.
class Process {
 public:
  Process() = default;
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Starts exe without arguments; it inherits this process's environment (QZ_SERVER, QZ_CA_BUNDLE).
  bool Start(const std::wstring& exe);
  bool Running() const;
  // The exit code once the process has ended within timeoutMs.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs = kTimeoutMs) const;
  void Kill();

  // A visible top-level window of the process with this class, or null.
  HWND Find(const wchar_t* className) const;
  HWND WaitFor(const wchar_t* className, DWORD timeoutMs = kTimeoutMs) const;
  // Message boxes (class #32770).
  HWND FindBox() const { return Find(L"#32770"); }
  HWND WaitForBox(DWORD timeoutMs = kTimeoutMs) const { return WaitFor(L"#32770", timeoutMs); }

 private:
  PROCESS_INFORMATION info_{};
};

enum class BoxIcon { None, Question, Exclamation, Information, Error };

struct Box {
  std::wstring caption;
  std::wstring text;
  HWND owner = nullptr;
  std::vector<int> buttons;  // visible ones among IDOK, IDCANCEL, IDYES, IDNO, ascending
  BoxIcon icon = BoxIcon::None;
};
Box ReadBox(HWND box);
void Answer(HWND box, int buttonId);  // posted, as a click on that button would

std::wstring Text(HWND window);
inline bool Visible(HWND window) { return window != nullptr && IsWindowVisible(window); }
inline HWND ChildOfClass(HWND parent, const wchar_t* className) {
  return FindWindowExW(parent, nullptr, className, nullptr);
}
void Click(HWND button);  // BM_CLICK, posted so that a modal box it opens does not block us
bool Checked(HWND button);
// Returns once the window's thread has handled everything before, including a pending paint.
bool Sync(HWND window);
// The child's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child);

// 0x00RRGGBB pixels, top row first.
struct Image {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
// What draw() paints into a fresh 32-bit bitmap of that size.
Image Render(int width, int height, const std::function<void(HDC)>& draw);
// The client area as it is on the screen, from the window's own DC.
Image CaptureClient(HWND window);
// The same once two captures 100 ms apart agree (or after 2 s).
Image CaptureSettled(HWND window);
bool WriteBmp(const std::wstring& path, const Image& image);
// A bitmap resource of a module as 0x00RRGGBB plus alpha in the top byte (0 for 24-bit pictures).
std::optional<Image> LoadBitmapResource(HMODULE module, int id);

}  // namespace gui
