#include "SkinUI/Drawing.h"

#include "SkinUI/Dib.h"
#include "SkinUI/ImageDrawSpec.h"
#include "SkinUI/ResourceTables.h"

#include <algorithm>

namespace SkinUI {

namespace {

int Width(const RECT& r)
{
    return r.right - r.left;
}

int Height(const RECT& r)
{
    return r.bottom - r.top;
}

bool Meets(const RECT& a, const RECT& b)
{
    RECT common;
    return ::IntersectRect(&common, &a, &b) != FALSE;
}

// A memory DC with a bitmap selected for the duration of one drawing.
class SourceDC {
public:
    SourceDC(HDC target, HBITMAP bitmap) : dc_(::CreateCompatibleDC(target))
    {
        if (dc_ != nullptr) old_ = ::SelectObject(dc_, bitmap);
    }
    ~SourceDC()
    {
        if (dc_ == nullptr) return;
        ::SelectObject(dc_, old_);
        ::DeleteDC(dc_);
    }
    SourceDC(const SourceDC&) = delete;
    SourceDC& operator=(const SourceDC&) = delete;

    HDC Get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

// Puts one part of the source bitmap into the target, blended or copied.
class PartPainter {
public:
    PartPainter(HDC target, HDC source, const RECT& paint, bool blend, BYTE fade)
        : target_(target), source_(source), paint_(paint), blend_(blend), fade_(fade)
    {
    }

    void Draw(const RECT& dest, const RECT& source) const
    {
        const int width = Width(dest);
        const int height = Height(dest);
        const int sourceWidth = Width(source);
        const int sourceHeight = Height(source);
        if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0 || !Meets(dest, paint_)) return;
        if (blend_) {
            const BLENDFUNCTION blend = {AC_SRC_OVER, 0, fade_, AC_SRC_ALPHA};
            ::AlphaBlend(target_, dest.left, dest.top, width, height, source_, source.left, source.top, sourceWidth,
                         sourceHeight, blend);
        } else if (width == sourceWidth && height == sourceHeight) {
            ::BitBlt(target_, dest.left, dest.top, width, height, source_, source.left, source.top, SRCCOPY);
        } else {
            ::StretchBlt(target_, dest.left, dest.top, width, height, source_, source.left, source.top, sourceWidth,
                         sourceHeight, SRCCOPY);
        }
    }

    // Repeats source at its natural size along the tiled directions from
    // the top-left of dest, cutting the last tiles; stretches along the others.
    void Tile(const RECT& dest, const RECT& source, bool xtiled, bool ytiled) const
    {
        const int stepX = xtiled ? Width(source) : Width(dest);
        const int stepY = ytiled ? Height(source) : Height(dest);
        if (stepX <= 0 || stepY <= 0) return;
        for (LONG y = dest.top; y < dest.bottom && y < paint_.bottom; y += stepY) {
            for (LONG x = dest.left; x < dest.right && x < paint_.right; x += stepX) {
                const RECT tile = {x, y, std::min<LONG>(x + stepX, dest.right), std::min<LONG>(y + stepY, dest.bottom)};
                RECT part = source;
                if (xtiled) part.right = part.left + Width(tile);
                if (ytiled) part.bottom = part.top + Height(tile);
                Draw(tile, part);
            }
        }
    }

private:
    HDC target_;
    HDC source_;
    RECT paint_;
    bool blend_;
    BYTE fade_;
};

} // namespace

bool DrawImage(HDC dc, CResourceTables& resources, ImageDrawSpec& spec, const RECT& item, const RECT& paint)
{
    if (!spec.loaded) spec.Load(resources);
    if (!spec.image) return false;
    RECT dest = item;
    const RECT& offsets = spec.dest;
    if (offsets.left != 0 || offsets.top != 0 || offsets.right != 0 || offsets.bottom != 0) {
        dest.left = item.left + offsets.left;
        dest.top = item.top + offsets.top;
        dest.right = std::min<LONG>(item.right, item.left + offsets.right);
        dest.bottom = std::min<LONG>(item.bottom, item.top + offsets.bottom);
    }
    if (!Meets(dest, item) || !Meets(dest, paint)) return false;
    DrawNinePart(dc, spec.image->bitmap.Get(), dest, paint, spec.source, spec.corner,
                 spec.image->hasAlpha || spec.fade < 255, spec.fade, spec.hole, spec.xtiled, spec.ytiled);
    return true;
}

void DrawNinePart(HDC dc, HBITMAP bitmap, const RECT& dest, const RECT& paint, const RECT& source,
                  const RECT& corners, bool alpha, BYTE fade, bool hole, bool xtiled, bool ytiled)
{
    if (dc == nullptr || bitmap == nullptr || !Meets(dest, paint)) return;
    SourceDC sourceDC(dc, bitmap);
    if (sourceDC.Get() == nullptr) return;
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, paint.left, paint.top, paint.right, paint.bottom);
    ::SetStretchBltMode(dc, COLORONCOLOR);
    const PartPainter painter(dc, sourceDC.Get(), paint, alpha || fade < 255, fade);

    const RECT& d = dest;
    const RECT& s = source;
    const RECT& c = corners;
    if (!hole) {
        const RECT centre = {d.left + c.left, d.top + c.top, d.right - c.right, d.bottom - c.bottom};
        const RECT centreSource = {s.left + c.left, s.top + c.top, s.right - c.right, s.bottom - c.bottom};
        if (xtiled || ytiled) {
            painter.Tile(centre, centreSource, xtiled, ytiled);
        } else {
            painter.Draw(centre, centreSource);
        }
    }
    // Edges: left, top, right, bottom.
    painter.Draw({d.left, d.top + c.top, d.left + c.left, d.bottom - c.bottom},
                 {s.left, s.top + c.top, s.left + c.left, s.bottom - c.bottom});
    painter.Draw({d.left + c.left, d.top, d.right - c.right, d.top + c.top},
                 {s.left + c.left, s.top, s.right - c.right, s.top + c.top});
    painter.Draw({d.right - c.right, d.top + c.top, d.right, d.bottom - c.bottom},
                 {s.right - c.right, s.top + c.top, s.right, s.bottom - c.bottom});
    painter.Draw({d.left + c.left, d.bottom - c.bottom, d.right - c.right, d.bottom},
                 {s.left + c.left, s.bottom - c.bottom, s.right - c.right, s.bottom});
    // Corners: top-left, top-right, bottom-left, bottom-right.
    painter.Draw({d.left, d.top, d.left + c.left, d.top + c.top}, {s.left, s.top, s.left + c.left, s.top + c.top});
    painter.Draw({d.right - c.right, d.top, d.right, d.top + c.top}, {s.right - c.right, s.top, s.right, s.top + c.top});
    painter.Draw({d.left, d.bottom - c.bottom, d.left + c.left, d.bottom},
                 {s.left, s.bottom - c.bottom, s.left + c.left, s.bottom});
    painter.Draw({d.right - c.right, d.bottom - c.bottom, d.right, d.bottom},
                 {s.right - c.right, s.bottom - c.bottom, s.right, s.bottom});
    ::RestoreDC(dc, saved);
}

void FillColor(HDC dc, const RECT& rect, DWORD color)
{
    const BYTE alpha = static_cast<BYTE>(color >> 24);
    if (alpha == 0 || ::IsRectEmpty(&rect)) return;
    const BYTE red = static_cast<BYTE>(color >> 16);
    const BYTE green = static_cast<BYTE>(color >> 8);
    const BYTE blue = static_cast<BYTE>(color);
    if (alpha == 255) {
        const COLORREF old = ::SetBkColor(dc, RGB(red, green, blue));
        ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
        ::SetBkColor(dc, old);
        return;
    }
    void* bits = nullptr;
    const GdiHandle<HBITMAP> pixel = CreateDib32(1, 1, &bits);
    if (!pixel) return;
    // Blending expects premultiplied colour channels.
    auto* bgra = static_cast<BYTE*>(bits);
    bgra[0] = static_cast<BYTE>(blue * alpha / 255);
    bgra[1] = static_cast<BYTE>(green * alpha / 255);
    bgra[2] = static_cast<BYTE>(red * alpha / 255);
    bgra[3] = alpha;
    SourceDC source(dc, pixel.Get());
    if (source.Get() == nullptr) return;
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::AlphaBlend(dc, rect.left, rect.top, Width(rect), Height(rect), source.Get(), 0, 0, 1, 1, blend);
}

} // namespace SkinUI
