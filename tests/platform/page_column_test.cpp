// The viewer's arithmetic of its column of pages where it shows a search hit: the scroll
// that brings an occurrence into view keeps the page the current one, and the engine's
// rectangles (one per character, in points) become bands of pixels on the page.
#include "platform/viewer/page_column.h"

#include <gtest/gtest.h>

namespace veldra::viewer {
namespace {

// Three pages of 600 pixels with 10 between them, as in a viewport 400 high.
const std::vector<QRect> kPages = {QRect(0, 6, 400, 600), QRect(0, 616, 400, 600),
                                   QRect(0, 1226, 400, 600)};
constexpr int kViewport = 400;

struct ShowCase {
  const char* name;
  int page;
  QRect target;
};

class ScrollToShowTest : public ::testing::TestWithParam<ShowCase> {};

TEST_P(ScrollToShowTest, TheHitIsInViewAndItsPageStaysCurrent) {
  const ShowCase& c = GetParam();
  const int scroll = ScrollToShow(kPages, c.page, c.target, kViewport);
  EXPECT_GE(c.target.top(), scroll) << "above the viewport";
  EXPECT_LE(c.target.bottom(), scroll + kViewport) << "below the viewport";
  // QPdfView's reading line, 40 % down, decides the current page.
  EXPECT_EQ(PlaceAt(kPages, scroll, kViewport).page, c.page);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScrollToShowTest,
    ::testing::Values(ShowCase{"middle_of_a_page", 1, QRect(50, 900, 60, 12)},
                      ShowCase{"top_of_a_page", 1, QRect(50, 620, 60, 12)},
                      ShowCase{"bottom_of_a_page", 1, QRect(50, 1200, 60, 12)},
                      ShowCase{"first_line_of_the_first_page", 0, QRect(50, 10, 60, 12)},
                      ShowCase{"last_line_of_the_last_page", 2, QRect(50, 1810, 60, 12)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PointsToPixelsTest, CharactersOfOneLineBecomeOneBandAndLinesStayApart) {
  // A page of 100 x 200 points shown 200 x 400 pixels at (10, 20).
  const QList<QRectF> characters = {QRectF(10, 10, 4, 6), QRectF(14.5, 9.5, 4, 7),
                                    QRectF(19, 10, 4, 6), QRectF(5, 30, 4, 6)};
  const QList<QRectF> bands = PointsToPixels(characters, QSizeF(100, 200), QRect(10, 20, 200, 400));
  ASSERT_EQ(bands.size(), 2);
  EXPECT_EQ(bands[0], QRectF(30, 39, 26, 14));
  EXPECT_EQ(bands[1], QRectF(20, 80, 8, 12));
  EXPECT_TRUE(PointsToPixels(characters, QSizeF(), QRect(0, 0, 10, 10)).isEmpty());
}

}  // namespace
}  // namespace veldra::viewer
