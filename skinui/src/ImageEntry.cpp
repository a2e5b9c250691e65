#include "SkinUI/ImageEntry.h"

#include "SkinUI/AttributeValues.h"
#include "SkinUI/Dib.h"
#include "SkinUI/ResourceSettings.h"

#include "FileReading.h"

#include "Utils/Trace.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_GIF
#define STBI_ONLY_PSD
#define STBI_ONLY_PIC
#define STBI_ONLY_PNM
#include <stb_image.h>

#include <climits>
#include <cstring>
#include <cwctype>

namespace SkinUI {

namespace {

// A skin image beyond this is not a skin image.
constexpr std::size_t kMaxImageFileSize = 256u * 1024 * 1024;

bool ReadResource(const std::wstring& name, const std::wstring& type, std::vector<std::uint8_t>& bytes)
{
    const HMODULE module = CResourceSettings::GetResourceInstance();
    const wchar_t* id = std::iswdigit(name[0]) ? MAKEINTRESOURCEW(std::wcstoul(name.c_str(), nullptr, 10))
                                               : name.c_str();
    const HRSRC resource = ::FindResourceW(module, id, type.c_str());
    if (resource == nullptr) return false;
    const DWORD size = ::SizeofResource(module, resource);
    const HGLOBAL loaded = size != 0 ? ::LoadResource(module, resource) : nullptr;
    const auto* data = static_cast<const std::uint8_t*>(loaded != nullptr ? ::LockResource(loaded) : nullptr);
    if (data == nullptr) return false;
    bytes.assign(data, data + size);
    return true;
}

bool ReadImageBytes(const std::wstring& name, const std::wstring& type, std::vector<std::uint8_t>& bytes)
{
    if (!type.empty()) return ReadResource(name, type, bytes);
    return CResourceSettings::ReadSkinFile(name, kMaxImageFileSize, bytes) == SkinReadStatus::Ok ||
           detail::ReadWholeFile(name, kMaxImageFileSize, bytes) == SkinReadStatus::Ok;
}

} // namespace

std::shared_ptr<ImageEntry> ImageEntry::Load(const std::wstring& name, const std::wstring& type, DWORD mask)
{
    if (name.empty()) return nullptr;
    if (type == kColorType) {
        const DWORD color = ParseColor(name.c_str());
        const std::uint8_t rgba[4] = {static_cast<std::uint8_t>(color >> 16), static_cast<std::uint8_t>(color >> 8),
                                      static_cast<std::uint8_t>(color), static_cast<std::uint8_t>(color >> 24)};
        return FromRgba(rgba, 1, 1, mask);
    }

    std::vector<std::uint8_t> bytes;
    if (!ReadImageBytes(name, type, bytes) || bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        TRACE(L"image %ls not found\r\n", name.c_str());
        return nullptr;
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* rgba = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels, 4);
    if (rgba == nullptr) {
        TRACE(L"image %ls cannot be decoded\r\n", name.c_str());
        return nullptr;
    }
    auto image = FromRgba(rgba, width, height, mask);
    stbi_image_free(rgba);
    return image;
}

std::shared_ptr<ImageEntry> ImageEntry::FromRgba(const std::uint8_t* rgba, int width, int height, DWORD mask)
{
    if (rgba == nullptr || width <= 0 || height <= 0) return nullptr;
    void* bits = nullptr;
    GdiHandle<HBITMAP> bitmap = CreateDib32(width, height, &bits);
    if (!bitmap) return nullptr;

    auto image = std::make_shared<ImageEntry>();
    image->pixels = static_cast<std::uint8_t*>(bits);
    image->width = width;
    image->height = height;
    image->mask = mask;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* in = rgba + i * 4;
        std::uint8_t* out = image->pixels + i * 4;
        const unsigned alpha = in[3];
        if (alpha == 255) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        } else {
            out[0] = static_cast<std::uint8_t>(in[2] * alpha / 255);
            out[1] = static_cast<std::uint8_t>(in[1] * alpha / 255);
            out[2] = static_cast<std::uint8_t>(in[0] * alpha / 255);
            image->hasAlpha = true;
        }
        out[3] = static_cast<std::uint8_t>(alpha);
        // The mask is compared with the whole pixel value, alpha included.
        DWORD value = 0;
        std::memcpy(&value, out, sizeof(value));
        if (value == mask) {
            std::memset(out, 0, 4);
            image->hasAlpha = true;
        }
    }
    image->bitmap = std::move(bitmap);
    return image;
}

} // namespace SkinUI
