#include "SkinUI/XmlDoc.h"

#include "SkinUI/ResourceSettings.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <cwctype>

namespace SkinUI {

namespace {

constexpr std::size_t kMaxMessageLength = 99;
constexpr std::size_t kMaxLocationLength = 49;
constexpr std::size_t kMaxFileSize = 4 * 1024 * 1024;

void SkipSpace(wchar_t*& p)
{
    while (*p != 0 && *p <= L' ') ++p;
}

void SkipName(wchar_t*& p)
{
    while (*p == L'_' || *p == L':' || std::iswalnum(*p)) ++p;
}

// p is just past the '&'; an unknown reference leaves a plain '&'.
void DecodeEntity(wchar_t*& p, wchar_t*& out)
{
    static const struct {
        const wchar_t* name;
        std::size_t length;
        wchar_t value;
    } kEntities[] = {
        {L"amp;", 4, L'&'}, {L"lt;", 3, L'<'}, {L"gt;", 3, L'>'}, {L"quot;", 5, L'"'}, {L"apos;", 5, L'\''},
    };
    for (const auto& entity : kEntities) {
        if (std::wcsncmp(p, entity.name, entity.length) == 0) {
            *out++ = entity.value;
            p += entity.length;
            return;
        }
    }
    *out++ = L'&';
}

const wchar_t* ReadErrorMessage(SkinReadStatus status)
{
    switch (status) {
    case SkinReadStatus::OpenFailed: return L"Error opening file";
    case SkinReadStatus::Empty: return L"File is empty";
    case SkinReadStatus::TooLarge: return L"File too large";
    case SkinReadStatus::ReadFailed: return L"Could not read file";
    case SkinReadStatus::ArchiveOpenFailed: return L"Error opening zip file";
    case SkinReadStatus::EntryMissing: return L"Could not find ziped file";
    case SkinReadStatus::ExtractFailed: return L"Could not unzip file";
    case SkinReadStatus::Ok: break;
    }
    return L"";
}

} // namespace

bool CXmlDoc::LoadFromString(const wchar_t* text)
{
    Release();
    if (text == nullptr) return false;
    const std::size_t length = std::wcslen(text);
    text_.reset(new wchar_t[length + 1]);
    std::memcpy(text_.get(), text, (length + 1) * sizeof(wchar_t));
    if (Parse()) return true;
    Release();
    return false;
}

bool CXmlDoc::LoadFromMemory(const void* bytes, std::size_t size, XmlEncoding encoding)
{
    Release();
    const auto* data = static_cast<const unsigned char*>(bytes);
    if (data == nullptr) size = 0;
    if (encoding == XmlEncoding::Utf16) {
        if (size < 2 || !((data[0] == 0xFE && data[1] == 0xFF) || (data[0] == 0xFF && data[1] == 0xFE))) {
            return Fail(L"Missing byte order mark", nullptr);
        }
        const bool bigEndian = data[0] == 0xFE;
        const std::size_t units = size / 2 - 1;
        text_.reset(new wchar_t[units + 1]);
        std::memcpy(text_.get(), data + 2, units * sizeof(wchar_t));
        if (bigEndian) {
            for (std::size_t i = 0; i < units; ++i) {
                const auto unit = static_cast<unsigned short>(text_[i]);
                text_[i] = static_cast<wchar_t>((unit >> 8) | (unit << 8));
            }
        }
        text_[units] = 0;
    } else {
        UINT codePage = CP_ACP;
        if (encoding == XmlEncoding::Utf8) {
            codePage = CP_UTF8;
            if (size > 2 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
                data += 3;
                size -= 3;
            }
        }
        if (size > static_cast<std::size_t>(INT_MAX)) return Fail(L"File too large", nullptr);
        const auto source = reinterpret_cast<const char*>(data);
        const int units = size == 0 ? 0 : ::MultiByteToWideChar(codePage, 0, source, static_cast<int>(size), nullptr, 0);
        text_.reset(new wchar_t[units + 1]);
        if (units > 0) ::MultiByteToWideChar(codePage, 0, source, static_cast<int>(size), text_.get(), units);
        text_[units] = 0;
    }
    if (Parse()) return true;
    Release();
    return false;
}

bool CXmlDoc::LoadFromFile(const wchar_t* fileName, XmlEncoding encoding)
{
    Release();
    std::vector<std::uint8_t> bytes;
    const SkinReadStatus status = CResourceSettings::ReadSkinFile(fileName ? fileName : L"", kMaxFileSize, bytes);
    if (status != SkinReadStatus::Ok) return Fail(ReadErrorMessage(status), nullptr);
    return LoadFromMemory(bytes.data(), bytes.size(), encoding);
}

void CXmlDoc::Release()
{
    text_.reset();
    std::vector<Element>().swap(elements_);
}

CXmlNode CXmlDoc::GetRoot() const
{
    return elements_.size() > 1 ? CXmlNode(this, 1) : CXmlNode();
}

std::uint32_t CXmlDoc::AppendElement(std::uint32_t start, std::uint32_t parent)
{
    if (elements_.size() == elements_.capacity()) {
        const std::size_t reserved = elements_.capacity();
        elements_.reserve(reserved + reserved / 2 + 500);
    }
    elements_.push_back(Element{start, 0, 0, parent, 0});
    return static_cast<std::uint32_t>(elements_.size() - 1);
}

// The element tree is parsed with an explicit stack of open elements rather
// than by recursion, so a deeply nested document cannot exhaust the stack.
bool CXmlDoc::Parse()
{
    std::vector<Element>().swap(elements_);
    AppendElement(0, 0);
    errorMessage_.clear();
    errorLocation_.clear();

    struct OpenElement {
        std::uint32_t index;
        wchar_t* nameEnd;
        std::size_t nameLength;
    };
    std::vector<OpenElement> open;
    std::uint32_t previous = 0;
    wchar_t* const text = text_.get();
    wchar_t* p = text;

    // The element's name is cut off and it becomes the previous sibling.
    const auto finish = [&](std::uint32_t index, wchar_t* nameEnd) {
        *nameEnd = 0;
        SkipSpace(p);
        previous = index;
    };

    SkipSpace(p);
    for (;;) {
        const std::uint32_t parent = open.empty() ? 0 : open.back().index;
        // The end of the text may close the root and its direct children.
        if (*p == 0 && parent <= 1) {
            if (open.empty()) return true;
            finish(open.back().index, open.back().nameEnd);
            open.pop_back();
            continue;
        }
        SkipSpace(p);
        if (*p != L'<') return Fail(L"Expected start tag", p);
        if (p[1] == L'/') {
            if (open.empty()) return true;
            const OpenElement element = open.back();
            *p = 0;
            p += 2;
            SkipSpace(p);
            const wchar_t* name = element.nameEnd - element.nameLength;
            if (std::wcsncmp(p, name, element.nameLength) != 0) return Fail(L"Unmatched closing tag", p);
            p += element.nameLength;
            SkipSpace(p);
            if (*p != L'>') return Fail(L"Unmatched closing tag", *p != 0 ? p + 1 : p);
            ++p;
            finish(element.index, element.nameEnd);
            open.pop_back();
            continue;
        }

        *p++ = 0;
        SkipSpace(p);
        if (*p == L'!' || *p == L'?') {
            // Comments and declarations leave nothing behind.
            const wchar_t closer = *p == L'!' ? L'-' : L'?';
            while (*p != 0 && !(p[0] == closer && p[1] == L'>')) ++p;
            if (*p != 0) p += 2;
            SkipSpace(p);
            continue;
        }
        SkipSpace(p);
        const std::uint32_t index = AppendElement(static_cast<std::uint32_t>(p - text), parent);
        if (previous != 0) {
            elements_[previous].next = index;
        } else if (parent != 0) {
            elements_[parent].child = index;
        }
        wchar_t* const name = p;
        SkipName(p);
        wchar_t* const nameEnd = p;
        if (*p == 0) return Fail(L"Error parsing element name", p);
        if (!ParseAttributes(p)) return false;
        SkipSpace(p);
        if (p[0] == L'/' && p[1] == L'>') {
            elements_[index].data = static_cast<std::uint32_t>(p - text);
            *p = 0;
            p += 2;
            finish(index, nameEnd);
            continue;
        }
        if (*p != L'>') return Fail(L"Expected start-tag closing", p);
        ++p;
        elements_[index].data = static_cast<std::uint32_t>(p - text);
        ParseText(p, L'<');
        if (*p == 0 && parent <= 1) {
            finish(index, nameEnd);
            continue;
        }
        if (*p != L'<') return Fail(L"Expected end-tag start", p);
        // Children or the end tag follow.
        open.push_back(OpenElement{index, nameEnd, static_cast<std::size_t>(nameEnd - name)});
        previous = 0;
    }
}

bool CXmlDoc::ParseAttributes(wchar_t*& p)
{
    if (*p == L'>' || (p[0] == L'/' && p[1] == L'>')) return true;
    *p++ = 0;
    SkipSpace(p);
    while (*p != 0 && *p != L'/' && *p != L'>') {
        SkipName(p);
        wchar_t* const nameEnd = p;
        SkipSpace(p);
        if (*p != L'=') return Fail(L"Error while parsing attributes", p);
        *p++ = L' ';
        *nameEnd = 0;
        SkipSpace(p);
        if (*p != L'"') return Fail(L"Expected attribute value", *p != 0 ? p + 1 : p);
        ++p;
        const wchar_t* const valueEnd = ParseText(p, L'"');
        if (*p == 0) return Fail(L"Error while parsing attribute string", p);
        // A shortened value is already terminated; its quote becomes filler.
        *p = valueEnd != p ? L' ' : 0;
        ++p;
        SkipSpace(p);
    }
    return true;
}

wchar_t* CXmlDoc::ParseText(wchar_t*& p, wchar_t end)
{
    wchar_t* out = p;
    while (*p != 0 && *p != end) {
        if (*p == L'&') {
            ++p;
            DecodeEntity(p, out);
            continue;
        }
        *out++ = *p++;
    }
    // Terminate a shortened text and fill the gap, so that the attribute
    // walk can step over it.
    if (out < p) {
        *out = 0;
        for (wchar_t* fill = out + 1; fill < p; ++fill) *fill = L' ';
    }
    return out;
}

bool CXmlDoc::Fail(const wchar_t* message, const wchar_t* location)
{
    errorMessage_.assign(message, std::min(std::wcslen(message), kMaxMessageLength));
    errorLocation_.clear();
    if (location != nullptr) errorLocation_.assign(location, wcsnlen(location, kMaxLocationLength));
    return false;
}

} // namespace SkinUI
