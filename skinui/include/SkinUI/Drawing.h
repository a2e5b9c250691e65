#pragma once

#include <windows.h>

namespace SkinUI {

class CResourceTables;
class ImageDrawSpec;

// Draws a control's image into its rectangle item, only inside paint (the
// part being repainted). The image string is parsed and its image fetched first if
// that has not happened yet. false when nothing was drawn.
bool DrawImage(HDC dc, CResourceTables& resources, ImageDrawSpec& spec, const RECT& item, const RECT& paint);

// Draws the part source of a premultiplied 32-bit bitmap into dest as a
// nine-part grid: corners unscaled, edges stretched along their length, the
// centre stretched (or tiled at its natural size, or left out for a hole).
// Images with alpha, or a fade below 255, are blended; others are copied.
// Nothing is drawn outside paint.
void DrawNinePart(HDC dc, HBITMAP bitmap, const RECT& dest, const RECT& paint, const RECT& source,
                  const RECT& corners, bool alpha, BYTE fade, bool hole, bool xtiled, bool ytiled);

// Fills rect with a colour 0xAARRGGBB: alpha 0 paints nothing, alpha 255
// paints it solid, anything between is blended over what is there.
void FillColor(HDC dc, const RECT& rect, DWORD color);

} // namespace SkinUI
