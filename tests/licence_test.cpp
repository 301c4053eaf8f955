// The agreement as compiled in from resources/licence: the pieces must reach the edit
// box and the printer as they are, in the right language and order, never cut.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "licence/licence_texts.h"
#include "wizard/window_data.h"

namespace {
// The numbers of the section headings ("7. PRIVACY") at line starts; clauses ("7.1") are not headings.
std::vector<int> SectionNumbers(std::u16string_view text) {
  std::vector<int> numbers;
  for (std::size_t line = 0; line < text.size(); line = std::min(text.find(u"\r\n", line), text.size()) + 2) {
    int number = 0;
    std::size_t k = line;  // the line's digits end before its CR LF
    for (; k < text.size() && text[k] >= u'0' && text[k] <= u'9'; ++k) number = number * 10 + (text[k] - u'0');
    if (k > line && text.substr(k).starts_with(u". ")) numbers.push_back(number);
  }
  return numbers;
}

TEST(LicenceTest, EachLanguageIsWholeDecodedRightAndRunsItsSectionsInOrder) {
  // Escapes rather than UTF-8 source text, so that a wrong source charset cannot hide.
  EXPECT_TRUE(ProductLicence().russian[0].starts_with(
      u"\u041B\u0418\u0426\u0415\u041D\u0417\u0418\u041E\u041D\u041D\u041E\u0415 "
      u"\u0421\u041E\u0413\u041B\u0410\u0428\u0415\u041D\u0418\u0415 "));  // ЛИЦЕНЗИОННОЕ СОГЛАШЕНИЕ
  EXPECT_TRUE(ProductLicence().english[0].starts_with(u"END-USER LICENSE AGREEMENT\r\n"));
  // Both languages carry sections 1 to 12 in order across the pieces: a piece swapped or
  // repeated breaks the run.
  std::vector<int> sections;
  for (int n = 1; n <= 12; ++n) sections.push_back(n);
  for (bool russian : {true, false}) {
    const LicencePieces& pieces = russian ? ProductLicence().russian : ProductLicence().english;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      std::u16string_view piece = pieces[i];
      SCOPED_TRACE(testing::Message() << (russian ? "russian" : "english") << " piece " << i + 1);
      EXPECT_TRUE(piece.size() >= 3200 && piece.size() <= 4300) << piece.size();
      // Line breaks are CR LF, and none ends a piece: the assembly puts those between pieces.
      auto count = [piece](auto in) { return static_cast<std::size_t>(std::count_if(piece.begin(), piece.end(), in)); };
      std::size_t crLf = 0, breaks = count([](char16_t c) { return c == u'\r' || c == u'\n'; });
      for (std::size_t k = piece.find(u"\r\n"); k != piece.npos; k = piece.find(u"\r\n", k + 2)) ++crLf;
      EXPECT_TRUE(breaks == 2 * crLf && !piece.ends_with(u"\n")) << breaks << " " << crLf;
      // Mostly Cyrillic, not merely some: UTF-8 read as a single-byte charset has none.
      std::size_t cyrillic = count([](char16_t c) { return c >= 0x0400 && c <= 0x04FF; });
      EXPECT_TRUE(russian ? cyrillic > piece.size() / 2 : cyrillic == 0) << cyrillic;
      // Every piece after the first opens with a section heading.
      EXPECT_EQ(SectionNumbers(piece.substr(0, piece.find(u"\r\n"))).size(), i > 0 ? 1u : 0u);
    }
    std::u16string text = AssembleLicenceText(pieces);
    EXPECT_TRUE(text.ends_with(pieces[4])) << "the text was cut";
    EXPECT_EQ(SectionNumbers(text), sections);
  }
}
}  // namespace
