// Ordinary pages written for children (history, recipes, health and sex education, sports,
// science, stories) pass the browser's count; pages a parent wants blocked (gambling, porn,
// drugs, fraud; in simplified and traditional characters, capitals and full width) are blocked.
// The pages lie in corpus/ordinary and corpus/forbidden beside this file.
#include "wordfilter/PageMatcher.h"
#include "wordfilter/TextNormaliser.h"

#include <gtest/gtest.h>

#include <QString>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

constexpr int32_t Threshold = 15;

int32_t HitsIn(const std::filesystem::path &page) {
  std::ifstream file(page, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  const QString normal = NormalisePageText(QString::fromStdString(text.str()));
  return TPageMatcher::Shared().Count(UnitsOf(normal));
}

TEST(Corpus, OrdinaryPagesPassAndForbiddenPagesAreBlocked) {
  struct {
    const char *folder;
    bool blocked;
  } const kinds[] = {{"ordinary", false}, {"forbidden", true}};
  for (const auto &kind : kinds) {
    const std::filesystem::path folder = std::filesystem::path(CORPUS_DIR) / kind.folder;
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
      const int32_t hits = HitsIn(entry.path());
      EXPECT_EQ(hits >= Threshold, kind.blocked) << entry.path().filename() << ": " << hits << " hits";
    }
  }
}

}  // namespace
