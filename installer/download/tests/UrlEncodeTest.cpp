#include "Utils/Text.h"

#include <gtest/gtest.h>

namespace {

TEST(UrlEncode, KeepsPrintableAsciiAndEscapesTheRestAsUtf8)
{
    struct Case {
        const wchar_t* url;
        const wchar_t* encoded;
    };
    const Case cases[] = {
        {L"http://host/a b c.exe", L"http://host/a+b+c.exe"},
        {L"http://host/下载/中文 安装.exe", L"http://host/%E4%B8%8B%E8%BD%BD/%E4%B8%AD%E6%96%87+%E5%AE%89%E8%A3%85.exe"},
        // Escapes, delimiters and every other printable character stay.
        {L"http://host/a%20b/?x=1&y=%2F#top~!*'()", L"http://host/a%20b/?x=1&y=%2F#top~!*'()"},
        {L"file:///C:/dir/setup.exe", L"file:///C:/dir/setup.exe"},
        {L"a\tb\x7f" L"é", L"a%09b%7F%C3%A9"},
        {L"", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(Utils::UrlEncode(c.url), c.encoded) << c.url;
}

} // namespace
