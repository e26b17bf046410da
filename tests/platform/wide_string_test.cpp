// UTF-16 texts at the UTF-8 edges: file names and terminal output.
#include <gtest/gtest.h>

#include "platform/wide_string.h"

namespace tarn::test {

TEST(WideString, Utf8BothWays) {
    const std::u16string text = u"Gain \u00e4 \u6a5f \U0001F600";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx") << "a lone surrogate";
    // Bytes that are no UTF-8 come back as they were (file names are bytes); an
    // overlong form never decodes to the character it hides (a path separator here).
    EXPECT_EQ(FromUtf8("a\xC0\xAF" "b"), u"a\xDCC0\xDCAF" u"b");
    EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\xDCED\xDCA0\xDC80") << "an encoded surrogate";
    EXPECT_EQ(FromUtf8("\xE6\xA9"), u"\xDCE6\xDCA9") << "cut short";
    EXPECT_EQ(FromUtf8("\xEF\xBF\xBD"), u"\uFFFD");
    for (const std::string bytes : {"a\xC0\xAF" "b", "\xE0\x80\xAF", "\xFF\xFEname.tkw", "\xF4\x90\x80\x80"})
        EXPECT_EQ(ToUtf8(FromUtf8(bytes)), bytes);
    EXPECT_EQ(WidenFormat("P%d-%02d", 3, 7), u"P3-07");
}

}  // namespace tarn::test
