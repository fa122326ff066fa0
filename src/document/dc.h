#pragma once
// A device context: a non-owning view of one picture box's persistent bitmap, for the raster
// calls. Reads outside the bitmap give CLR_INVALID, writes outside do nothing, transfers clip.
#include "imagelib/colour.h"

inline constexpr Colour CLR_INVALID = 0xFFFFFFFFu;
#include "imagelib/raster.h"

class PictureBox;

class Dc {
public:
    Dc() = default;
    explicit Dc(PictureBox *box) : m_box(box) {}
    PictureBox *box() const { return m_box; }
    bool isNull() const { return m_box == nullptr; }

private:
    PictureBox *m_box = nullptr;
};

Colour GetPixel(Dc dc, int x, int y);
bool SetPixelV(Dc dc, int x, int y, Colour colour);
bool BitBlt(Dc dst, int x, int y, int width, int height, Dc src, int srcX, int srcY, RasterOp rop);
bool StretchBlt(Dc dst, int x, int y, int width, int height, Dc src, int srcX, int srcY, int srcWidth,
                int srcHeight, RasterOp rop);
