// The agreement as compiled in from resources/licence: the pieces must reach the edit
// box and the printer as they are, in the right language and order, never cut.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "licence/licence_texts.h"
#include "support/text.h"
#include "wizard/window_data.h"

namespace {
struct Language {
  const char* name;
  const LicencePieces& pieces;
  bool russian;
};

std::vector<Language> Languages() {
  return {{"russian", ProductLicence().russian, true}, {"english", ProductLicence().english, false}};
}

bool IsCyrillic(char16_t c) { return c >= 0x0400 && c <= 0x04FF; }

// The numbers of the section headings ("7. PRIVACY"), in order; clauses ("7.1") are not headings.
std::vector<int> SectionNumbers(std::u16string_view text) {
  std::vector<int> numbers;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(u"\r\n", start);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string_view line = text.substr(start, end - start);
    std::size_t digits = 0;
    while (digits < line.size() && line[digits] >= u'0' && line[digits] <= u'9') ++digits;
    if (digits > 0 && line.substr(digits).starts_with(u". ")) {
      numbers.push_back(std::stoi(Utf8(std::u16string(line.substr(0, digits)))));
    }
    start = end + 2;
  }
  return numbers;
}

TEST(LicenceTest, EveryPieceFitsTheEditBoxWithCrLfLineBreaks) {
  for (const Language& language : Languages()) {
    std::size_t total = 0;
    for (std::size_t i = 0; i < language.pieces.size(); ++i) {
      std::u16string_view piece = language.pieces[i];
      SCOPED_TRACE(std::string(language.name) + " piece " + std::to_string(i + 1));
      EXPECT_GE(piece.size(), 3200u);
      EXPECT_LE(piece.size(), 4300u);
      for (std::size_t k = 0; k < piece.size(); ++k) {
        if (piece[k] == u'\n') {
          ASSERT_TRUE(k > 0 && piece[k - 1] == u'\r') << "lone LF at " << k;
        }
        if (piece[k] == u'\r') {
          ASSERT_TRUE(k + 1 < piece.size() && piece[k + 1] == u'\n') << "lone CR at " << k;
        }
      }
      // The assembly puts the breaks between pieces; a file's own last line end must not add to them.
      EXPECT_FALSE(piece.ends_with(u"\n"));
      total += piece.size();
    }
    std::u16string text = AssembleLicenceText(language.pieces);
    EXPECT_EQ(text.size(), total + 16) << language.name << ": the text was cut";
    EXPECT_LT(text.size(), kLicenceCapacity) << language.name;
    EXPECT_TRUE(text.ends_with(language.pieces[4])) << language.name;
  }
}

TEST(LicenceTest, EachLanguageIsDecodedRightAndItsSectionsRunInOrder) {
  // Escapes rather than UTF-8 source text, so that a wrong source charset cannot hide.
  EXPECT_TRUE(ProductLicence().russian[0].starts_with(
      u"\u041B\u0418\u0426\u0415\u041D\u0417\u0418\u041E\u041D\u041D\u041E\u0415 "
      u"\u0421\u041E\u0413\u041B\u0410\u0428\u0415\u041D\u0418\u0415 "))  // ЛИЦЕНЗИОННОЕ СОГЛАШЕНИЕ
      << Utf8(std::u16string(ProductLicence().russian[0].substr(0, 40)));
  EXPECT_TRUE(ProductLicence().english[0].starts_with(u"END-USER LICENSE AGREEMENT\r\n"));
  std::vector<std::size_t> sectionCounts;
  for (const Language& language : Languages()) {
    std::vector<int> sections;
    for (std::size_t i = 0; i < language.pieces.size(); ++i) {
      std::u16string_view piece = language.pieces[i];
      SCOPED_TRACE(std::string(language.name) + " piece " + std::to_string(i + 1));
      std::size_t cyrillic = 0;
      for (char16_t c : piece) cyrillic += IsCyrillic(c) ? 1 : 0;
      // Mostly Cyrillic, not merely some: UTF-8 read as a single-byte charset has none.
      if (language.russian) {
        EXPECT_GT(cyrillic, piece.size() / 2);
      } else {
        EXPECT_EQ(cyrillic, 0u);
      }
      // Every piece after the first opens with a section heading.
      if (i > 0) {
        EXPECT_EQ(SectionNumbers(piece.substr(0, piece.find(u"\r\n"))).size(), 1u);
      }
      std::vector<int> numbers = SectionNumbers(piece);
      sections.insert(sections.end(), numbers.begin(), numbers.end());
    }
    // 1, 2, 3 ... across the pieces: a piece swapped or repeated breaks the run.
    for (std::size_t n = 0; n < sections.size(); ++n) EXPECT_EQ(sections[n], static_cast<int>(n + 1)) << language.name;
    sectionCounts.push_back(sections.size());
  }
  EXPECT_GE(sectionCounts[0], 10u);
  EXPECT_EQ(sectionCounts[0], sectionCounts[1]) << "both languages carry the same sections";
}
}  // namespace
