#include <gtest/gtest.h>

#include <string>

#include "install/text.h"

namespace {

struct JoinCase {
  const char* first;
  const char* second;
  const char* expected;
};

class JoinTextsTest : public testing::TestWithParam<JoinCase> {};

TEST_P(JoinTextsTest, JoinsPartsIntoAFreshBlock) {
  const JoinCase& c = GetParam();
  char* joined = JoinTexts({c.first, c.second});
  ASSERT_NE(joined, nullptr);  // never absent, even when every part is empty
  EXPECT_STREQ(joined, c.expected);
  EXPECT_EQ(TextLength(joined), static_cast<std::int32_t>(std::string(c.expected).size()));
  EXPECT_NE(joined, c.first);
  EXPECT_NE(joined, c.second);
  ReleaseText(joined);
}

INSTANTIATE_TEST_SUITE_P(
    Parts, JoinTextsTest,
    testing::Values(JoinCase{nullptr, "Quorvane.lnk", "Quorvane.lnk"},
                    JoinCase{"C:\\Users\\u\\Desktop\\", "Quorvane.lnk", "C:\\Users\\u\\Desktop\\Quorvane.lnk"},
                    JoinCase{"", "", ""}, JoinCase{nullptr, nullptr, ""},
                    JoinCase{"安装", "成功！", "安装成功！"}, JoinCase{"abc", nullptr, "abc"}));

TEST(TextLength, CountsBytesBeforeTheFirstNul) {
  EXPECT_EQ(TextLength(nullptr), 0);
  EXPECT_EQ(TextLength(""), 0);
  EXPECT_EQ(TextLength("安装成功！"), 10);  // five double-byte characters in code page 936
  EXPECT_EQ(TextLength("ab\0cd"), 2);
}

TEST(ReleaseText, IgnoresAnAbsentText) { ReleaseText(nullptr); }

TEST(Texts, ChineseLiteralsAreStoredInCodePage936) {
  EXPECT_EQ(std::string("安装成功！"), "\xB0\xB2\xD7\xB0\xB3\xC9\xB9\xA6\xA3\xA1");
  EXPECT_EQ(std::string("信息："), "\xD0\xC5\xCF\xA2\xA3\xBA");
}

}  // namespace
