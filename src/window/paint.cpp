#include "window/paint.h"

#include "app/state.h"
#include "window/gdi.h"
#include "window/resources_win32.h"
#include "window/window_state.h"
#include "wizard/page_drawing.h"

namespace {
void DrawPictureOp(HDC dc, const DrawOp& op) {
  HBITMAP picture = PictureHandle(op.resource);
  if (picture == nullptr) return;  // a picture that failed to load is not drawn
  MemoryDc source(dc);
  ScopedSelect selected(source.get(), picture);
  BITMAP size{};
  GetObjectW(picture, sizeof size, &size);
  if (op.kind == DrawOp::Kind::Icon) {
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, op.x, op.y, 64, 64, source.get(), 0, 0, 64, 64, blend);
  } else {
    BitBlt(dc, op.x, op.y, size.bmWidth, size.bmHeight, source.get(), 0, 0, SRCCOPY);
  }
}

void DrawTextOp(HDC dc, const DrawOp& op) {
  ScopedSelect font(dc, FontHandle(op.font));
  SetTextColor(dc, op.colour);
  RECT area{op.rect.left, op.rect.top, op.rect.right, op.rect.bottom};
  if (op.narrow) {
    DrawTextA(dc, op.narrowText.c_str(), static_cast<int>(op.narrowText.size()), &area, op.flags);
  } else {
    DrawTextW(dc, reinterpret_cast<const wchar_t*>(op.text.c_str()), static_cast<int>(op.text.size()), &area,
              op.flags);
  }
  SetTextColor(dc, g_textColour);  // the warning colour never leaks into the next text
}

void DrawPageInto(HDC dc, const RECT& client) {
  FillRect(dc, &client, reinterpret_cast<HBRUSH>(GetClassLongPtrW(g_hMainWnd, GCLP_HBRBACKGROUND)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, g_textColour);
  if (g_page > PageFailed) return;
  for (const DrawOp& op : DrawPage()) {
    if (op.kind == DrawOp::Kind::Text) {
      DrawTextOp(dc, op);
    } else {
      DrawPictureOp(dc, op);
    }
  }
}

// The window has no WS_CLIPCHILDREN: the copy leaves out the visible controls, which
// paint themselves, except the see-through group box, which is drawn again over the page.
HWND ExcludeControls(HWND window, HDC dc) {
  HWND groupBox = nullptr;
  for (const ControlSpec& spec : WizardControls()) {
    HWND control = ControlWindow(spec.control);
    if (control == nullptr || !IsWindowVisible(control)) continue;
    if (spec.control == Control::FolderGroup) {
      groupBox = control;
      continue;
    }
    RECT area;
    GetWindowRect(control, &area);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
    ExcludeClipRect(dc, area.left, area.top, area.right, area.bottom);
  }
  return groupBox;
}
}  // namespace

void PaintMainWindow(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  {
    MemoryDc canvas(dc);
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
    ScopedSelect selected(canvas.get(), bitmap.get());
    DrawPageInto(canvas.get(), client);
    HWND groupBox = ExcludeControls(window, dc);
    BitBlt(dc, 0, 0, client.right, client.bottom, canvas.get(), 0, 0, SRCCOPY);
    if (groupBox != nullptr) InvalidateRect(groupBox, nullptr, FALSE);
  }
  EndPaint(window, &paint);
}
