#include "Fixtures.h"

#include "SkinUI/ResourceSettings.h"
#include "SkinUI/XmlDoc.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

using SkinUI::CResourceSettings;
using SkinUI::CXmlDoc;
using SkinUI::CXmlNode;
using SkinUI::XmlEncoding;

// name(attr="value" ...)[children], siblings separated by commas.
std::wstring Dump(CXmlNode node)
{
    std::wstring out;
    for (; node.IsValid(); node = node.GetSibling()) {
        if (!out.empty()) out += L",";
        out += node.GetName();
        out += L"(";
        for (int i = 0; i < node.GetAttributeCount(); ++i) {
            if (i > 0) out += L" ";
            out += node.GetAttributeName(i);
            out += L"=\"";
            out += node.GetAttributeValue(i);
            out += L"\"";
        }
        out += L")";
        if (node.HasChildren()) out += L"[" + Dump(node.GetChild()) + L"]";
    }
    return out;
}

TEST(XmlDoc, ParsesDocumentsOrReportsWhereTheyFail)
{
    // The tree, or "! message @ location" when the load fails.
    struct Case {
        const wchar_t* document;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"<Control/>", L"Control()"},
        {L"<Control />", L"Control()"},
        {L"<Control></Control>", L"Control()"},
        {L"<?xml version=\"1.0\"?>\r\n<!-- a comment with <b> and > --><a><!-- x --><b/></a>", L"a()[b()]"},
        {L"<a><!-- a - b -- c --><b/></a>", L"a()[b()]"},
        {L"<w><a/><b x=\"1\"/><c><d/></c></w>", L"w()[a(),b(x=\"1\"),c()[d()]]"},
        {L"<a b = \"1\"  c=\"\" />", L"a(b=\"1\" c=\"\")"},
        {L"<a v=\"a &amp; b\" w=\"&#65;\" x=\"x &foo; y\" y=\"&lt;&gt;&quot;&apos;&amp;&amp;\" z=\"&\"/>",
         L"a(v=\"a & b\" w=\"&#65;\" x=\"x &foo; y\" y=\"<>\"'&&\" z=\"&\")"},
        {L"<a v=\"  a \t\r\n  b  \"/>", L"a(v=\"  a \t\r\n  b  \")"},
        {L"<a v=\"x/>y\" w=\">\"/>", L"a(v=\"x/>y\" w=\">\")"},
        {L"<a v=\"&amp;&amp;\">text &amp; more<b/></a>", L"a(v=\"&&\")[b()]"},
        {L"<a>text<b/>tail</a>", L"! Expected start tag @ tail</a>"},
        // The end of the text may close the root and its direct children.
        {L"<a><b/>", L"a()[b()]"},
        {L"<a x=\"1\">text", L"a(x=\"1\")"},
        {L"<a><b y=\"2\">text &amp;", L"a()[b(y=\"2\")]"},
        {L"<a/><b/>", L"a(),b()"},
        {L"<a><b><c>text", L"! Expected end-tag start @ "},
        {L"<a><b><c/>", L"! Expected start tag @ "},
        {L"hello", L"! Expected start tag @ hello"},
        {L"<a/>junk", L"! Expected start tag @ junk"},
        {L"<a", L"! Error parsing element name @ "},
        {L"<", L"! Error parsing element name @ "},
        {L"<a b=\"1\" c>", L"! Error while parsing attributes @ >"},
        {L"<a width='10'/>", L"! Expected attribute value @ 10'/>"},
        {L"<a width=", L"! Expected attribute value @ "},
        {L"<a b=\"unterminated", L"! Error while parsing attribute string @ "},
        {L"<a b=\"1\"", L"! Expected start-tag closing @ "},
        {L"<a b=\"1\" / x>", L"! Expected start-tag closing @ / x>"},
        {L"<a b=\"1\" ?>", L"! Error while parsing attributes @ ?>"},
        {L"<a><b></a>", L"! Unmatched closing tag @ a>"},
        {L"<ab></a>", L"! Unmatched closing tag @ a>"},
        {L"<a></ab>", L"! Unmatched closing tag @ >"},
        {L"<a></a x>", L"! Unmatched closing tag @ >"},
        {L"<a></a", L"! Unmatched closing tag @ "},
    };
    for (const Case& c : cases) {
        CXmlDoc doc;
        const bool loaded = doc.LoadFromString(c.document);
        const std::wstring outcome =
            loaded ? Dump(doc.GetRoot()) : L"! " + doc.GetLastErrorMessage() + L" @ " + doc.GetLastErrorLocation();
        EXPECT_EQ(outcome, c.expected) << c.document;
        EXPECT_EQ(doc.GetLastErrorMessage().empty(), loaded) << c.document;
        EXPECT_EQ(doc.GetRoot().IsValid(), loaded) << c.document;
    }
}

TEST(XmlDoc, DocumentWithoutElementsHasNoRoot)
{
    for (const wchar_t* text : {L"", L"  \r\n\t ", L"<!-- only a comment -->", L"<?xml version=\"1.0\"?>"}) {
        CXmlDoc doc;
        EXPECT_TRUE(doc.LoadFromString(text)) << text;
        EXPECT_FALSE(doc.GetRoot().IsValid()) << text;
    }
}

TEST(XmlDoc, ErrorLocationIsCutTo49Units)
{
    const std::wstring text(200, L'x');
    CXmlDoc doc;
    ASSERT_FALSE(doc.LoadFromString(text.c_str()));
    EXPECT_EQ(doc.GetLastErrorLocation(), std::wstring(49, L'x'));
}

TEST(XmlDoc, DeepNestingLoadsWithoutExhaustingTheStack)
{
    constexpr int kDepth = 200000;
    std::wstring text;
    for (int i = 0; i < kDepth; ++i) text += L"<e>";
    for (int i = 0; i < kDepth; ++i) text += L"</e>";
    CXmlDoc doc;
    ASSERT_TRUE(doc.LoadFromString(text.c_str()));
    int depth = 0;
    for (CXmlNode node = doc.GetRoot(); node.IsValid(); node = node.GetChild()) ++depth;
    EXPECT_EQ(depth, kDepth);
}

TEST(XmlNode, OnlyTheFirst64AttributesAreSeen)
{
    std::wstring text = L"<a";
    for (int i = 0; i < 65; ++i) text += L" a" + std::to_wstring(i) + L"=\"v" + std::to_wstring(i) + L"\"";
    text += L"/>";
    CXmlDoc doc;
    ASSERT_TRUE(doc.LoadFromString(text.c_str()));
    const CXmlNode root = doc.GetRoot();
    EXPECT_EQ(root.GetAttributeCount(), 64);
    wchar_t value[16] = {};
    EXPECT_TRUE(root.GetAttributeValue(L"a63", value, 16));
    EXPECT_STREQ(value, L"v63");
    EXPECT_FALSE(root.GetAttributeValue(L"a64", value, 16));
    EXPECT_STREQ(root.GetAttributeName(63), L"a63");
}

TEST(XmlNode, AttributeLookups)
{
    CXmlDoc doc;
    ASSERT_TRUE(doc.LoadFromString(L"<a width=\"12345\" width=\"2\" empty=\"\"><b/></a>"));
    const CXmlNode root = doc.GetRoot();
    EXPECT_TRUE(root.HasAttributes());
    EXPECT_FALSE(root.GetChild().HasAttributes());
    EXPECT_FALSE(root.GetChild().HasChildren());

    wchar_t buffer[8] = {L'?', L'?', L'?', L'?', L'?', L'?', L'?', L'?'};
    EXPECT_FALSE(root.GetAttributeValue(L"Width", buffer, 8));
    EXPECT_TRUE(root.GetAttributeValue(L"width", buffer, 8));
    EXPECT_STREQ(buffer, L"12345");   // the first of two
    EXPECT_TRUE(root.GetAttributeValue(L"width", buffer, 3));
    EXPECT_STREQ(buffer, L"12");      // cut to fit, still terminated
    EXPECT_TRUE(root.GetAttributeValue(L"empty", buffer, 8));
    EXPECT_STREQ(buffer, L"");

    EXPECT_STREQ(root.GetAttributeName(-1), L"");
    EXPECT_STREQ(root.GetAttributeValue(3), L"");

    const CXmlNode invalid = root.GetSibling();
    EXPECT_FALSE(invalid.IsValid());
    EXPECT_EQ(invalid.GetName(), nullptr);
    EXPECT_EQ(invalid.GetAttributeName(0), nullptr);
    EXPECT_EQ(invalid.GetAttributeValue(0), nullptr);
    EXPECT_EQ(invalid.GetAttributeCount(), 0);
    EXPECT_FALSE(invalid.GetAttributeValue(L"width", buffer, 8));
    EXPECT_FALSE(invalid.GetChild().IsValid());
}

void UseSkinFolder()
{
    CResourceSettings::SetArchiveName(L"", true);
    CResourceSettings::SetResourcePath(SkinUITest::SkinFolder());
}

void UseArchive(const wchar_t* name, bool use7z, bool keepOpen = true)
{
    CResourceSettings::SetUse7z(use7z);
    CResourceSettings::SetResourcePath(SkinUITest::FixtureFolder());
    CResourceSettings::SetArchiveName(name, keepOpen);
}

const wchar_t kTwinTree[] = L"Window(size=\"440,300\" caption=\"0,0,0,35\")["
                            L"Font(id=\"0\" name=\"微软雅黑\" size=\"12\"),"
                            L"VerticalLayout(bkcolor=\"#FFFFFFFF\")["
                            L"Label(text=\"加载资源文件失败 \U0001F600 & more\"),Button(name=\"closebtn\")]]";

TEST(XmlDoc, EncodingTwinsGiveTheSameTree)
{
    UseSkinFolder();
    const struct {
        const wchar_t* file;
        XmlEncoding encoding;
    } twins[] = {
        {L"twin-utf8.xml", XmlEncoding::Utf8},
        {L"twin-utf8bom.xml", XmlEncoding::Utf8},
        {L"twin-utf16le.xml", XmlEncoding::Utf16},
        {L"twin-utf16be.xml", XmlEncoding::Utf16},
    };
    for (const auto& twin : twins) {
        CXmlDoc doc;
        ASSERT_TRUE(doc.LoadFromFile(twin.file, twin.encoding)) << twin.file << " | " << doc.GetLastErrorMessage();
        EXPECT_EQ(Dump(doc.GetRoot()), kTwinTree) << twin.file;
    }
}

TEST(XmlDoc, DecodesMemoryInEachEncoding)
{
    CXmlDoc doc;
    const char ansi[] = "<a v=\"\xE9\xE8\"/>";
    ASSERT_TRUE(doc.LoadFromMemory(ansi, sizeof(ansi) - 1, XmlEncoding::Ansi));
    wchar_t expected[3] = {};
    ::MultiByteToWideChar(CP_ACP, 0, "\xE9\xE8", 2, expected, 2);
    EXPECT_STREQ(doc.GetRoot().GetAttributeValue(0), expected);

    // A UTF-16 text with an odd byte at the end: the byte is ignored.
    const unsigned char odd[] = {0xFF, 0xFE, '<', 0, 'a', 0, '/', 0, '>', 0, 'x'};
    ASSERT_TRUE(doc.LoadFromMemory(odd, sizeof(odd), XmlEncoding::Utf16));
    EXPECT_EQ(Dump(doc.GetRoot()), L"a()");

    const unsigned char markOnly[] = {0xFE, 0xFF};
    EXPECT_TRUE(doc.LoadFromMemory(markOnly, sizeof(markOnly), XmlEncoding::Utf16));
    EXPECT_FALSE(doc.GetRoot().IsValid());

    const unsigned char utf8MarkOnly[] = {0xEF, 0xBB, 0xBF};
    EXPECT_TRUE(doc.LoadFromMemory(utf8MarkOnly, sizeof(utf8MarkOnly), XmlEncoding::Utf8));
    EXPECT_FALSE(doc.GetRoot().IsValid());
}

TEST(XmlDoc, Utf16WithoutMarkFailsCleanly)
{
    const unsigned char noMark[] = {'<', 0, 'a', 0, '/', 0, '>', 0};
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, sizeof(noMark)}) {
        CXmlDoc doc;
        EXPECT_FALSE(doc.LoadFromMemory(noMark, size, XmlEncoding::Utf16)) << size;
        EXPECT_FALSE(doc.GetRoot().IsValid());
        EXPECT_NE(doc.GetLastErrorMessage(), L"");
    }
}

TEST(XmlDoc, FailedLoadReleasesTheEarlierDocument)
{
    CXmlDoc doc;
    ASSERT_TRUE(doc.LoadFromString(L"<a/>"));
    ASSERT_FALSE(doc.LoadFromString(L"<b"));
    EXPECT_FALSE(doc.GetRoot().IsValid());
}

TEST(XmlDoc, ReadsSkinFilesOrSaysWhyNot)
{
    struct Case {
        const wchar_t* archive;   // empty: the skin folder
        bool use7z;
        const wchar_t* file;
        const wchar_t* message;   // empty: loads
    };
    const Case cases[] = {
        {L"", false, L"twin-utf8.xml", L""},
        {L"", false, L"exact.xml", L""},
        {L"", false, L"over.xml", L"File too large"},
        {L"", false, L"empty.xml", L"File is empty"},
        {L"", false, L"missing.xml", L"Error opening file"},
        {L"skin.7z", true, L"twin-utf8.xml", L""},
        {L"skin.7z", true, L"TWIN-UTF8.XML", L""},
        {L"skin.7z", true, L"exact.xml", L""},
        {L"skin.7z", true, L"over.xml", L"File too large"},
        {L"skin.7z", true, L"empty.xml", L"File is empty"},
        {L"skin.7z", true, L"missing.xml", L"Could not find ziped file"},
        {L"broken.7z", true, L"bad.txt", L"Could not unzip file"},
        {L"missing.7z", true, L"twin-utf8.xml", L"Error opening zip file"},
        {L"skin.zip", true, L"twin-utf8.xml", L"Error opening zip file"},
        {L"skin.zip", false, L"twin-utf8.xml", L""},
        {L"skin.zip", false, L"over.xml", L"File too large"},
        {L"skin.zip", false, L"missing.xml", L"Could not find ziped file"},
        {L"broken.zip", false, L"bad.txt", L"Could not unzip file"},
    };
    for (const Case& c : cases) {
        for (bool keepOpen : {true, false}) {
            if (*c.archive == 0) {
                UseSkinFolder();
            } else {
                UseArchive(c.archive, c.use7z, keepOpen);
            }
            CXmlDoc doc;
            const bool loaded = doc.LoadFromFile(c.file);
            EXPECT_EQ(loaded, *c.message == 0) << c.archive << " " << c.file;
            EXPECT_EQ(doc.GetLastErrorMessage(), c.message) << c.archive << " " << c.file;
            EXPECT_EQ(doc.GetLastErrorLocation(), L"") << c.archive << " " << c.file;
            EXPECT_EQ(doc.GetRoot().IsValid(), loaded) << c.archive << " " << c.file;
        }
    }
}

} // namespace
