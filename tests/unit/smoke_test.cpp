#include <gtest/gtest.h>
#include "quelin.h"
#include <cstring>
TEST(Smoke, DejaVu) {
  LOGFONTA lf{}; std::strcpy(lf.lfFaceName, "DejaVu Sans");
  int h = T42MakeTrueTypeFont(&lf);
  ASSERT_GE(h, 1000);
  char name[64]; EXPECT_EQ(0, T42GetPSFontName(h, name, sizeof name)); EXPECT_STREQ("DejaVuSans", name);
}
