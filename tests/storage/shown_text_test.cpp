#include "storage/files/shown_text.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

// Every byte that is not part of valid UTF-8 shows as \xNN, at each edge of the encoding:
// the last two-byte and the first three-byte lead, overlong forms, surrogates, code points
// past U+10FFFF and sequences cut short. Control characters and the backslash are escaped too.
TEST(ShownPath, ShowsValidUtf8AsItIsAndEveryOtherByteEscaped) {
    const std::tuple<std::string, QString, bool> cases[] = {
        {"\xdf\xbf", QString::fromUtf8("\u07ff"), true},
        {"\xe0\xa0\x80", QString::fromUtf8("\u0800"), true},
        {"\xf0\x90\x80\x80", QString::fromUtf8("\U00010000"), true},
        {"\xf4\x8f\xbf\xbf", QString::fromUtf8("\U0010ffff"), true},
        {"\xc1\xbf", "\\xc1\\xbf", false},
        {"\xe0\x9f\xbf", "\\xe0\\x9f\\xbf", false},
        {"\xed\xa0\x80", "\\xed\\xa0\\x80", false},
        {"\xf0\x8f\xbf\xbf", "\\xf0\\x8f\\xbf\\xbf", false},
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80", false},
        {"\xf5\x80", "\\xf5\\x80", false},
        {"a\xe2\x82", "a\\xe2\\x82", false},
        {"\xc3(", "\\xc3(", false},
        {"x\033y\\", "x\\x1by\\\\", true}};
    for (const auto& [bytes, shown, valid] : cases) {
        SCOPED_TRACE(shown.toStdString());
        EXPECT_EQ(ShownPath(bytes), shown);
        EXPECT_EQ(IsValidUtf8(bytes), valid);
    }
}

} // namespace
} // namespace kivo
