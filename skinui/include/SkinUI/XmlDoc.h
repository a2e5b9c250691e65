#pragma once

#include "SkinUI/XmlNode.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace SkinUI {

enum class XmlEncoding { Utf8 = 0, Utf16 = 1, Ansi = 2 };

// Small non-validating XML reader for skin files. The text is decoded to
// UTF-16 once and then cut up in place: names, attribute values and element
// text are terminated by zeros written into the one buffer, and elements are
// index records into it, so reading a skin makes no further copies.
class CXmlDoc {
public:
    CXmlDoc() = default;
    CXmlDoc(const CXmlDoc&) = delete;
    CXmlDoc& operator=(const CXmlDoc&) = delete;

    bool LoadFromString(const wchar_t* text);
    bool LoadFromMemory(const void* bytes, std::size_t size, XmlEncoding encoding = XmlEncoding::Utf8);
    // Reads a file of the skin (folder, zip or 7z archive, whichever is set).
    bool LoadFromFile(const wchar_t* fileName, XmlEncoding encoding = XmlEncoding::Utf8);
    void Release();

    std::wstring GetLastErrorMessage() const { return errorMessage_; }
    std::wstring GetLastErrorLocation() const { return errorLocation_; }

    // The first element of the document; invalid when there is none.
    CXmlNode GetRoot() const;

private:
    friend class CXmlNode;

    struct Element {
        std::uint32_t start;   // name, zero-terminated in place
        std::uint32_t child;   // element links: 0 means none
        std::uint32_t next;
        std::uint32_t parent;
        std::uint32_t data;    // element text, zero-terminated in place
    };

    bool Parse();
    std::uint32_t AppendElement(std::uint32_t start, std::uint32_t parent);
    bool ParseAttributes(wchar_t*& p);
    // Decodes text in place up to end; returns where the decoded text ends.
    wchar_t* ParseText(wchar_t*& p, wchar_t end);
    bool Fail(const wchar_t* message, const wchar_t* location);

    std::unique_ptr<wchar_t[]> text_;
    std::vector<Element> elements_;
    std::wstring errorMessage_;
    std::wstring errorLocation_;
};

} // namespace SkinUI
