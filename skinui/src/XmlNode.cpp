#include "SkinUI/XmlNode.h"

#include "SkinUI/XmlDoc.h"

#include <algorithm>
#include <cwchar>

namespace SkinUI {

const wchar_t* CXmlNode::GetName() const
{
    if (doc_ == nullptr) return nullptr;
    return doc_->text_.get() + doc_->elements_[index_].start;
}

CXmlNode CXmlNode::GetChild() const
{
    if (doc_ == nullptr || doc_->elements_[index_].child == 0) return CXmlNode();
    return CXmlNode(doc_, doc_->elements_[index_].child);
}

CXmlNode CXmlNode::GetSibling() const
{
    if (doc_ == nullptr || doc_->elements_[index_].next == 0) return CXmlNode();
    return CXmlNode(doc_, doc_->elements_[index_].next);
}

bool CXmlNode::HasChildren() const
{
    return doc_ != nullptr && doc_->elements_[index_].child != 0;
}

bool CXmlNode::HasAttributes() const
{
    return GetAttributeCount() > 0;
}

int CXmlNode::GetAttributeCount() const
{
    MapAttributes();
    return attributeCount_;
}

const wchar_t* CXmlNode::GetAttributeName(int index) const
{
    if (doc_ == nullptr) return nullptr;
    MapAttributes();
    if (index < 0 || index >= attributeCount_) return L"";
    return doc_->text_.get() + attributes_[index].first;
}

const wchar_t* CXmlNode::GetAttributeValue(int index) const
{
    if (doc_ == nullptr) return nullptr;
    MapAttributes();
    if (index < 0 || index >= attributeCount_) return L"";
    return doc_->text_.get() + attributes_[index].second;
}

bool CXmlNode::GetAttributeValue(const wchar_t* name, wchar_t* buffer, std::size_t bufferLength) const
{
    if (doc_ == nullptr || name == nullptr || buffer == nullptr || bufferLength == 0) return false;
    MapAttributes();
    const wchar_t* text = doc_->text_.get();
    for (int i = 0; i < attributeCount_; ++i) {
        if (std::wcscmp(text + attributes_[i].first, name) != 0) continue;
        const wchar_t* value = text + attributes_[i].second;
        const std::size_t length = std::min(std::wcslen(value), bufferLength - 1);
        std::wmemcpy(buffer, value, length);
        buffer[length] = 0;
        return true;
    }
    return false;
}

// Walks the start tag as the parser left it: name, zero, then for each
// attribute its name, a zero, filler and a quote before the zero-terminated
// value. The walk never passes the tag's closing '>'.
void CXmlNode::MapAttributes() const
{
    if (mapped_ || doc_ == nullptr) return;
    mapped_ = true;
    const wchar_t* text = doc_->text_.get();
    const CXmlDoc::Element& element = doc_->elements_[index_];
    std::uint32_t limit = element.data;
    if (limit > 0 && text[limit - 1] == L'>') --limit;

    std::uint32_t pos = element.start;
    const auto skipPastZero = [&] {
        while (pos < limit && text[pos] != 0) ++pos;
        ++pos;
    };
    const auto skipSpace = [&] {
        while (pos < limit && text[pos] != 0 && text[pos] <= L' ') ++pos;
    };

    skipPastZero();
    while (pos < limit) {
        skipSpace();
        if (pos >= limit) break;
        const std::uint32_t name = pos;
        skipPastZero();
        skipSpace();
        if (pos >= limit || text[pos] != L'"') break;
        ++pos;
        attributes_[attributeCount_++] = {name, pos};
        if (attributeCount_ == kMaxAttributes) break;
        skipPastZero();
    }
}

} // namespace SkinUI
