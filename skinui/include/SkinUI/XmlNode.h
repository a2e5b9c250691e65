#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace SkinUI {

class CXmlDoc;

// A cheap handle on one element of a loaded CXmlDoc; valid only while the
// document holds the same text. Attributes are located the first time they
// are asked for; attributes after the 64th are never seen.
class CXmlNode {
public:
    static constexpr int kMaxAttributes = 64;

    CXmlNode() = default;

    bool IsValid() const { return doc_ != nullptr; }
    // nullptr for an invalid node.
    const wchar_t* GetName() const;
    CXmlNode GetChild() const;
    CXmlNode GetSibling() const;
    bool HasChildren() const;

    bool HasAttributes() const;
    int GetAttributeCount() const;
    // "" for an index out of range, nullptr for an invalid node.
    const wchar_t* GetAttributeName(int index) const;
    const wchar_t* GetAttributeValue(int index) const;
    // Copies the value of the first attribute named exactly name, cut to fit
    // and always terminated; false when there is none.
    bool GetAttributeValue(const wchar_t* name, wchar_t* buffer, std::size_t bufferLength) const;

private:
    friend class CXmlDoc;
    CXmlNode(const CXmlDoc* doc, std::uint32_t index) : doc_(doc), index_(index) {}

    void MapAttributes() const;

    const CXmlDoc* doc_ = nullptr;
    std::uint32_t index_ = 0;
    mutable bool mapped_ = false;
    mutable int attributeCount_ = 0;
    mutable std::pair<std::uint32_t, std::uint32_t> attributes_[kMaxAttributes] = {};   // name, value
};

} // namespace SkinUI
