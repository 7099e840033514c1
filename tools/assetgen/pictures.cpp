#include "tools/assetgen/pictures.h"

#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/noise.h"
#include "tools/writers/tga_writer.h"

static constexpr int pictureSize = 512;
static constexpr int pictureSupersample = 4;

Canvas makePictureCanvas(Rgba background) {
    return makeCanvas(pictureSize, pictureSize, pictureSupersample, pictureWidth, pictureHeight,
                      background);
}

void paintStars(Canvas& canvas, Box area, int count, uint32_t seed, Rgba color) {
    Rng rng{seed};
    for (int i = 0; i < count; i++) {
        float x = area.x0 + rng.unit() * (area.x1 - area.x0);
        float y = area.y0 + rng.unit() * (area.y1 - area.y0);
        float size = 0.6f + rng.unit() * rng.unit() * 1.8f;
        float bright = 0.35f + rng.unit() * 0.65f;
        paintShape(canvas, Ellipse{x, y, size, size}, withAlpha(color, bright));
        if (size > 1.8f) {
            paintGlow(canvas, x, y, size * 4, size * 4, withAlpha(color, 0.25f));
        }
    }
}

static bool writePicture(const std::string& dir, const char* name, const Canvas& canvas) {
    std::vector<uint8_t> rgba = canvasRgba(canvas, true);
    return writeAsset(dir, name, encodeTga(canvas.width, canvas.height, rgba.data()));
}

bool writePictures(const std::string& dir) {
    bool ok = writePicture(dir, "titulo3.tga", drawTitlePicture());
    ok = writePicture(dir, "tia.tga", drawPortraitPicture()) && ok;
    ok = writePicture(dir, "palmera.tga", drawBeachPicture()) && ok;
    ok = writePicture(dir, "uf.tga", drawCreditsPicture()) && ok;
    return ok;
}
