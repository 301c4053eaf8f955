#include "window/resources_win32.h"

#include <map>

#include "window/window_state.h"

namespace {
std::map<int, HBITMAP> g_pictures;
std::map<Font, HFONT> g_fonts;

bool HasAlpha(int resource) {
  return resource == kPictureFolder || resource == kPictureRunning || resource == kPictureTools ||
         resource == kPictureBin;
}
}  // namespace

void LoadPictures(bool russian) {
  for (int resource : PicturesToLoad(russian)) {
    HBITMAP picture = nullptr;
    if (HasAlpha(resource)) {
      picture = static_cast<HBITMAP>(
          LoadImageW(g_hInstance, MAKEINTRESOURCEW(resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    } else {
      picture = LoadBitmapW(g_hInstance, MAKEINTRESOURCEW(resource));
    }
    if (picture != nullptr) g_pictures[resource] = picture;
  }
}

HBITMAP PictureHandle(int resource) {
  auto found = g_pictures.find(resource);
  return found != g_pictures.end() ? found->second : nullptr;
}

void CreateFonts() {
  for (const FontSpec& spec : WizardFonts()) {
    g_fonts[spec.font] = CreateFontW(spec.height, 0, 0, 0, spec.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                     DEFAULT_PITCH | FF_DONTCARE, reinterpret_cast<const wchar_t*>(spec.face));
  }
}

HFONT FontHandle(Font font) {
  auto found = g_fonts.find(font);
  return found != g_fonts.end() ? found->second : nullptr;
}
