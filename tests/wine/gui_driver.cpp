#include "wine/gui_driver.h"

#include <chrono>
#include <fstream>
#include <thread>

namespace gui {

bool WaitUntil(const std::function<bool()>& ready, DWORD timeoutMs) {
  ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (ready()) return true;
    if (GetTickCount64() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

Process::~Process() { Kill(); }

bool Process::Start(const std::wstring& exe) {
  Kill();
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  return CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info_) != 0;
}

bool Process::Running() const {
  return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitForExit(DWORD timeoutMs) const {
  if (info_.hProcess == nullptr || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return {};
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

void Process::Kill() {
  if (info_.hProcess == nullptr) return;
  if (Running()) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, kTimeoutMs);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
  info_ = {};
}

HWND Process::Find(const wchar_t* className) const {
  for (HWND window = FindWindowExW(nullptr, nullptr, className, nullptr); window != nullptr;
       window = FindWindowExW(nullptr, window, className, nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (info_.hProcess != nullptr && pid == info_.dwProcessId && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

HWND Process::WaitFor(const wchar_t* className, DWORD timeoutMs) const {
  HWND found = nullptr;
  WaitUntil([&] { return (found = Find(className)) != nullptr; }, timeoutMs);
  return found;
}

std::wstring Text(HWND window) {
  wchar_t buffer[1024] = {};
  // WM_GETTEXT is carried across processes; GetWindowTextW would not ask another process's window.
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, kTimeoutMs, nullptr);
  return buffer;
}

namespace {
// The icon a message box shows: the system icon whose opaque pixels match the box's icon
// control best. Icons are per process under Wine, so they are told apart by their pixels.
BoxIcon IdentifyIcon(HWND box) {
  HWND shown = FindWindowExW(box, nullptr, L"Static", nullptr);
  while (shown != nullptr && ((GetWindowLongW(shown, GWL_STYLE) & SS_TYPEMASK) != SS_ICON || !IsWindowVisible(shown))) {
    shown = FindWindowExW(box, shown, L"Static", nullptr);
  }
  if (shown == nullptr) return BoxIcon::None;
  // A child's own DC reads black across processes under Wine: the box's is compared.
  Image shot = CaptureSettled(box);
  RECT place = RectInParent(shown);
  const std::pair<BoxIcon, const wchar_t*> kIcons[] = {{BoxIcon::Question, IDI_QUESTION},
                                                        {BoxIcon::Exclamation, IDI_WARNING},
                                                        {BoxIcon::Information, IDI_INFORMATION},
                                                        {BoxIcon::Error, IDI_ERROR}};
  BoxIcon best = BoxIcon::None;
  double bestShare = 0.8;  // below this share of matching pixels it is none of them
  for (const auto& [icon, name] : kIcons) {
    auto drawnOn = [&, name = name](int brush) {
      return Render(shot.width, shot.height, [&](HDC dc) {
        RECT all{0, 0, shot.width, shot.height};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(brush)));
        DrawIconEx(dc, place.left, place.top, LoadIconW(nullptr, name), 0, 0, 0, nullptr, DI_NORMAL);
      });
    };
    Image onBlack = drawnOn(BLACK_BRUSH), onWhite = drawnOn(WHITE_BRUSH);
    std::size_t opaque = 0, same = 0;
    for (std::size_t i = 0; i < shot.pixels.size(); ++i) {
      if (onBlack.pixels[i] != onWhite.pixels[i]) continue;
      ++opaque;
      same += onBlack.pixels[i] == shot.pixels[i];
    }
    double share = opaque == 0 ? 0.0 : static_cast<double>(same) / static_cast<double>(opaque);
    if (share > bestShare) best = icon, bestShare = share;
  }
  return best;
}
}  // namespace

Box ReadBox(HWND box) {
  Box read;
  read.caption = Text(box);
  read.text = Text(GetDlgItem(box, 0xFFFF));
  read.owner = GetWindow(box, GW_OWNER);
  for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
    if (Visible(GetDlgItem(box, id))) read.buttons.push_back(id);
  }
  read.icon = IdentifyIcon(box);
  return read;
}

void Answer(HWND box, int buttonId) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, buttonId)));
}

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

bool Checked(HWND button) {
  DWORD_PTR state = 0;
  SendMessageTimeoutW(button, BM_GETCHECK, 0, 0, SMTO_NORMAL, kTimeoutMs, &state);
  return state == BST_CHECKED;
}

bool Sync(HWND window) {
  // The first round trip waits out the message being handled; the thread then takes a
  // pending WM_PAINT before it can answer the second.
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &ignored) != 0 &&
         SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &ignored) != 0;
}

RECT RectInParent(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

Image Render(int width, int height, const std::function<void(HDC)>& draw) {
  Image image{width, height, {}};
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC memory = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    draw(memory);
    GdiFlush();
    const auto* words = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) image.pixels.push_back(words[i] & 0xFFFFFF);
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  return image;
}

Image CaptureClient(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  HDC source = GetDC(window);
  Image image = Render(client.right, client.bottom, [&](HDC memory) {
    BitBlt(memory, 0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY);
  });
  ReleaseDC(window, source);
  return image;
}

Image CaptureSettled(HWND window) {
  Sync(window);
  // Wine shows another process's painting a moment later: take it once it stands still.
  Image shot = CaptureClient(window);
  for (int i = 0; i < 20; ++i) {
    Sleep(100);
    Image again = CaptureClient(window);
    if (again.pixels == shot.pixels) break;
    shot = std::move(again);
  }
  return shot;
}

bool WriteBmp(const std::wstring& path, const Image& image) {
  int rowBytes = (image.width * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER header{sizeof header, image.width, image.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(rowBytes * image.height);
  std::ofstream out(path.c_str(), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  std::vector<char> row(static_cast<std::size_t>(rowBytes), 0);
  for (int y = image.height - 1; y >= 0; --y) {  // bottom row first
    for (int x = 0; x < image.width; ++x) {
      std::uint32_t pixel = image.At(x, y);
      row[static_cast<std::size_t>(x) * 3] = static_cast<char>(pixel & 0xFF);
      row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<char>((pixel >> 8) & 0xFF);
      row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<char>((pixel >> 16) & 0xFF);
    }
    out.write(row.data(), rowBytes);
  }
  return static_cast<bool>(out);
}

std::optional<Image> LoadBitmapResource(HMODULE module, int id) {
  auto bitmap = static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (bitmap == nullptr) return std::nullopt;
  BITMAP shape{};
  GetObjectW(bitmap, sizeof shape, &shape);
  Image image;
  image.width = shape.bmWidth;
  image.height = shape.bmHeight;
  image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), image.width, -image.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC screen = GetDC(nullptr);
  int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(image.height), image.pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(bitmap);
  if (rows != image.height) return std::nullopt;
  return image;
}

}  // namespace gui
