// The Windows dialogs' pieces that run without a user: the print device over a device
// context, the narrow spelling of a picked folder, and the box flags the port hands to
// MessageBoxW unchanged.
#include "platform/dialogs_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "wizard/print.h"

// Every box of the port shows the icon and buttons its flags name, and its answer is read
// as the button the user pressed.
static_assert(kMbOk == MB_OK && kMbOkCancel == MB_OKCANCEL && kMbYesNo == MB_YESNO &&
              kMbIconQuestion == MB_ICONQUESTION && kMbIconExclamation == MB_ICONEXCLAMATION);
static_assert(kIdOk == IDOK && kIdCancel == IDCANCEL && kIdYes == IDYES && kIdNo == IDNO);

TEST(PrintDeviceWin32Test, DrawsWithTheLicenceFontIntoItsContextAndReleasesIt) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 400, 200);  // monochrome: any ink is black
  SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, 400, 200, WHITENESS);
  std::unique_ptr<PrintDevice> device = PrintDeviceForDc(dc);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  EXPECT_EQ(std::pair(device->DeviceCaps(PrintDevice::Cap::LogPixelsY), device->DeviceCaps(PrintDevice::Cap::HorzRes)),
            std::pair(dpi, GetDeviceCaps(dc, HORZRES)));
  device->SelectFont(PrintFontHeight(dpi), u"Verdana");
  EXPECT_GT(device->DrawTextIn(std::u16string(200, u'Ж'), {10, 10, 390, 190}, kPrintDrawFlags), 0);
  int inked = 0;
  for (int y = 10; y < 190; y += 3) {
    for (int x = 10; x < 390; x += 3) inked += GetPixel(dc, x, y) != RGB(255, 255, 255);
  }
  EXPECT_GT(inked, 0);
  device.reset();
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 0) << "the device deletes its context";
  DeleteObject(bitmap);
}

TEST(FolderDialogWin32Test, PathsTheNarrowCodePageCannotSpellComeBackEmpty) {
  EXPECT_EQ(NarrowPathOrEmpty(L"D:\\Games\\P3D"), "D:\\Games\\P3D");
  EXPECT_EQ(NarrowPathOrEmpty(L"D:\\Games\\\x4E2D\x6587"), "");  // no single-byte code page has these
}
