// UTF-16 texts at the UTF-8 edges: file names and terminal output.
#include <gtest/gtest.h>

#include "platform/wide_string.h"

namespace tarn::test {

TEST(WideString, Utf8BothWays) {
    const std::u16string text = u"Gain \u00e4 \u6a5f \U0001F600";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx") << "a lone surrogate";
    // Overlong forms never decode to the character they hide (a path separator here).
    EXPECT_EQ(FromUtf8("a\xC0\xAF" "b"), u"a\uFFFDb");
    EXPECT_EQ(FromUtf8("\xE0\x80\xAF"), u"\uFFFD");
    EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD") << "an encoded surrogate";
    EXPECT_EQ(FromUtf8("\xE6\xA9"), u"\uFFFD\uFFFD") << "cut short";
    EXPECT_EQ(WidenFormat("P%d-%02d", 3, 7), u"P3-07");
}

}  // namespace tarn::test
