// The licence printed from the licence page: the platform's print dialog, then the five
// Russian pieces one per page, whatever the interface language.
#pragma once

#include <string>

constexpr const char16_t* kPrintDocumentName = u"Лицензионное соглашение с конечным пользователем";
constexpr const char16_t* kXpsWriterName = u"Microsoft XPS Document Writer";
constexpr const char16_t* kXpsOutputFile = u"Распечатанный документ.xps";

// Page layout in the printer's device units.
constexpr int kPrintLeft = 500;
constexpr int kPrintTop = 300;
constexpr int kPrintRightMargin = 250;
constexpr int kPrintBottomMargin = 197;
constexpr unsigned kPrintDrawFlags = 0x50;  // word break, expand tabs

// The height of the 10-point font for a device of this many dots per inch vertically.
int PrintFontHeight(int dotsPerInch);

// Runs the print job; every failure shows its message and ends it.
void PrintLicence();
