// The asset generator, run as the real binary: what it writes must load in
// the libraries and readers the demo uses, follow the demo's timeline and
// framing, and come out byte for byte the same on every run.
#include "image/image.h"
#include "model/model.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <libopenmpt/libopenmpt.h>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> expectedFiles = {
    "Prueba.IT", "presents.3ds", "logo.3ds", "txiringo.3DS", "titulo3.tga",
    "tia.tga",   "palmera.tga",  "uf.tga",   "wood.bmp",     "thatch.BMP",
    "sign.bmp",  "ola.bmp",      "sand.jpg", "logo.JPG"};

fs::path freshDir() {
    char pattern[] = "/tmp/assets_test_XXXXXX";
    return mkdtemp(pattern);
}

bool generate(const fs::path& dir) {
    std::string command = std::string(DEMO_BUILD_DIR "/tools/assetgen ") + dir.string();
    return std::system(command.c_str()) == 0;
}

std::vector<uint8_t> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<std::string> fileNames(const fs::path& dir) {
    std::set<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

// One generator run per test program, shared by the tests that only read.
class GeneratedAssets : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = freshDir();
        generated = generate(dir);
    }
    static void TearDownTestSuite() { fs::remove_all(dir); }
    void SetUp() override { ASSERT_TRUE(generated) << "assetgen failed"; }
    static fs::path dir;
    static bool generated;
};
fs::path GeneratedAssets::dir;
bool GeneratedAssets::generated = false;

// ---------------------------------------------------------------- song

struct Song {
    openmpt_module* mod = nullptr;
    explicit Song(const std::vector<uint8_t>& bytes) {
        mod = openmpt_module_create_from_memory2(
            bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
            nullptr, nullptr, nullptr, nullptr);
    }
    ~Song() { openmpt_module_destroy(mod); }
    std::string metadata(const char* key) const {
        const char* text = openmpt_module_get_metadata(mod, key);
        std::string value = text ? text : "";
        openmpt_free_string(text);
        return value;
    }
    double secondsAt(int order) {
        openmpt_module_set_position_order_row(mod, order, 0);
        return openmpt_module_get_position_seconds(mod);
    }
    // Root-mean-square and peak of `seconds` of sound from `start` on.
    std::pair<double, double> level(double start, double seconds) {
        openmpt_module_set_position_seconds(mod, start);
        std::vector<float> buffer(2 * 4096);
        double sum = 0, peak = 0;
        size_t frames = 0, wanted = size_t(seconds * 44100);
        while (frames < wanted) {
            size_t got = openmpt_module_read_interleaved_float_stereo(
                mod, 44100, std::min<size_t>(4096, wanted - frames), buffer.data());
            if (got == 0)
                break;
            for (size_t i = 0; i < got * 2; i++) {
                sum += double(buffer[i]) * buffer[i];
                peak = std::max(peak, double(std::fabs(buffer[i])));
            }
            frames += got;
        }
        return {frames ? std::sqrt(sum / double(frames * 2)) : 0.0, peak};
    }
};

// ---------------------------------------------------------------- models

struct ImportedModel {
    Model model;
    bool ok = false;
};

ImportedModel importModel(const fs::path& path) {
    ImportedModel imported;
    Loader3ds loader;
    imported.ok = loader.importModel(imported.model, path.c_str());
    return imported;
}

const MeshObject* findObject(const Model& m, const std::string& name) {
    for (const MeshObject& o : m.objects)
        if (name == o.name)
            return &o;
    return nullptr;
}

// Six times the volume the faces enclose, positive when every face runs
// counter-clockwise seen from outside.
double signedVolume(const MeshObject& o) {
    double sum = 0;
    for (int f = 0; f < o.faceCount; f++) {
        const Vec3& a = o.vertices[o.faces[f].vertIndex[0]];
        const Vec3& b = o.vertices[o.faces[f].vertIndex[1]];
        const Vec3& c = o.vertices[o.faces[f].vertIndex[2]];
        sum += double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) -
               double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
               double(a.z) * (double(b.x) * c.y - double(b.y) * c.x);
    }
    return sum;
}

int faceTotal(const Model& m) {
    int total = 0;
    for (const MeshObject& o : m.objects)
        total += o.faceCount;
    return total;
}

struct Bounds {
    Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    void add(Vec3 p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
};

// Where Scene1 puts a model vertex: the draw routines turn by 90 degrees
// about z, then about y, after translating by (0, ty, tz).
Vec3 scene1World(Vec3 v, float ty, float tz) {
    return {-(v.y + ty), v.z + tz, -v.x};
}

// Scene1's camera at (0, 0, 10) looking down -z through glFrustum(-2, 2,
// -2, 2, 5, 100): the view is 0.4 units wide per unit of distance each way.
bool insideScene1View(Vec3 w) {
    float distance = 10 - w.z;
    return distance > 5 && std::fabs(w.x) < 0.4f * distance && std::fabs(w.y) < 0.4f * distance;
}

Bounds scene1Bounds(const Model& m, float ty, float tz, bool* allVisible) {
    Bounds b;
    *allVisible = true;
    for (const MeshObject& o : m.objects)
        for (int i = 0; i < o.vertexCount; i++) {
            Vec3 w = scene1World(o.vertices[i], ty, tz);
            b.add(w);
            *allVisible = *allVisible && insideScene1View(w) && w.z > -12;
        }
    return b;
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

} // namespace

TEST(AssetGenerator, TwoRunsWriteTheSameFilesByteForByte) {
    fs::path first = freshDir(), second = freshDir();
    ASSERT_TRUE(generate(first));
    ASSERT_TRUE(generate(second));
    std::set<std::string> names = fileNames(first);
    EXPECT_EQ(names, std::set<std::string>(expectedFiles.begin(), expectedFiles.end()));
    EXPECT_EQ(fileNames(second), names);
    for (const std::string& name : names) {
        std::vector<uint8_t> a = readBytes(first / name), b = readBytes(second / name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_TRUE(a == b) << name << " differs between runs";
    }
    fs::remove_all(first);
    fs::remove_all(second);
}

TEST(AssetGenerator, RefusesToRunWithoutAnOutputDirectory) {
    std::string command = std::string(DEMO_BUILD_DIR "/tools/assetgen 2>/dev/null");
    EXPECT_NE(std::system(command.c_str()), 0);
    command = std::string(DEMO_BUILD_DIR "/tools/assetgen /nonexistent/dir 2>/dev/null");
    EXPECT_NE(std::system(command.c_str()), 0) << "a failed write must fail the run";
}

TEST_F(GeneratedAssets, SongFollowsTheTimelineAndEndsBeforeOrder23) {
    std::vector<uint8_t> bytes = readBytes(dir / "Prueba.IT");
    EXPECT_LT(bytes.size(), 512u * 1024) << "a few hundred KB at most";
    Song song(bytes);
    ASSERT_NE(song.mod, nullptr);
    EXPECT_EQ(song.metadata("warnings"), "");
    EXPECT_EQ(song.metadata("type"), "it");
    EXPECT_EQ(openmpt_module_get_num_instruments(song.mod), 0) << "sample-based";
    EXPECT_GE(openmpt_module_get_num_samples(song.mod), 6);
    ASSERT_GE(openmpt_module_get_num_orders(song.mod), 24);

    double end = song.secondsAt(23);
    EXPECT_GE(end, 150.0);
    EXPECT_LE(end, 240.0);
    // Every scene gets its orders in turn: the order list plays straight through.
    double previous = -1;
    for (int order = 0; order <= 23; order++) {
        double at = song.secondsAt(order);
        EXPECT_GT(at, previous) << "order " << order;
        previous = at;
    }

    // The shape of the piece: the theme is loud, the break thins out, the
    // finale comes back, the last chord dies away before order 23, and
    // order 23 itself is silence.
    auto middle = [&](int from, int to) {
        double a = song.secondsAt(from), b = song.secondsAt(to);
        return song.level((a + b) / 2 - 2, 4).first;
    };
    double intro = middle(0, 1), theme = middle(7, 11), breakdown = middle(15, 17),
           finale = middle(17, 22);
    EXPECT_LT(intro, theme * 0.6);
    EXPECT_LT(breakdown, theme * 0.8);
    EXPECT_GT(finale, breakdown);
    EXPECT_GT(theme, 0.05);
    EXPECT_LT(song.level(0, end).second, 1.0) << "no clipping";
    EXPECT_LT(song.level(end - 0.5, 0.5).second, 0.01) << "the ending has died away";
    EXPECT_EQ(song.level(end, 2).second, 0.0) << "order 23 is silent";
}

TEST_F(GeneratedAssets, PicturesAre512SquareOpaqueAndUpright) {
    for (const char* name : {"titulo3.tga", "tia.tga", "palmera.tga", "uf.tga"}) {
        SCOPED_TRACE(name);
        std::vector<uint8_t> header = readBytes(dir / name);
        ASSERT_GT(header.size(), 18u);
        EXPECT_EQ(header[2], 2) << "uncompressed true-colour";
        EXPECT_EQ(header[16], 32);
        EXPECT_EQ(header[17] & 0x20, 0) << "bottom-left origin";

        ImageRGBA* image = loadTga((dir / name).c_str());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->width, 512);
        EXPECT_EQ(image->height, 512);
        std::set<uint32_t> colours;
        bool opaque = true;
        for (int i = 0; i < 512 * 512; i++) {
            const unsigned char* p = image->pixels + i * 4;
            colours.insert(uint32_t(p[0]) << 16 | p[1] << 8 | p[2]);
            opaque = opaque && p[3] == 255;
        }
        EXPECT_TRUE(opaque);
        EXPECT_GT(colours.size(), 2000u) << "a drawn picture, not a fill";

        // The palm beach has its dark sky at the top and its bright sand at
        // the bottom, so it shows which way round the rows are stored.
        if (std::string(name) == "palmera.tga") {
            auto rowBrightness = [&](int row) {
                long sum = 0;
                for (int x = 0; x < 512; x++)
                    for (int k = 0; k < 3; k++)
                        sum += image->pixels[(row * 512 + x) * 4 + k];
                return sum;
            };
            EXPECT_GT(rowBrightness(20), rowBrightness(500)) << "first stored row is the bottom";
        }
        delete[] image->pixels;
        delete image;
    }
}

TEST_F(GeneratedAssets, ModelsImportWithTheirObjectsMaterialsAndTextures) {
    struct Expected {
        const char* file;
        std::vector<std::string> objects;
        size_t materials;
    };
    const Expected models[] = {
        {"presents.3ds", {"P1", "R2", "E3", "S4", "E5", "N6", "T7", "S8"}, 8},
        {"logo.3ds", {"sol", "ola1", "ola2", "aro", "rayos", "pixeles"}, 5},
        {"txiringo.3DS",
         {"arena", "tarima", "postes", "viga", "barra", "pared", "tejado", "letrero", "tronco",
          "encimera", "botellas", "asientos", "patas", "hojas", "tabla"},
         10},
    };
    std::set<std::string> textures;
    int colourOnly = 0;
    for (const Expected& e : models) {
        SCOPED_TRACE(e.file);
        ImportedModel imported = importModel(dir / e.file);
        ASSERT_TRUE(imported.ok);
        const Model& m = imported.model;
        ASSERT_EQ(size_t(m.objectCount), e.objects.size());
        for (size_t i = 0; i < e.objects.size(); i++)
            EXPECT_EQ(std::string(m.objects[i].name), e.objects[i]);
        EXPECT_EQ(size_t(m.materialCount), e.materials);
        EXPECT_LE(m.materialCount, modelTextureSlots);
        int total = faceTotal(m);
        EXPECT_GE(total, 800);
        EXPECT_LE(total, 4000) << "low thousands of faces";

        for (const Material& mat : m.materials) {
            if (mat.fileName[0] == '\0') {
                colourOnly++;
                continue;
            }
            textures.insert(mat.fileName);
            EXPECT_TRUE(fs::exists(dir / mat.fileName)) << mat.fileName;
        }
        for (const MeshObject& o : m.objects) {
            SCOPED_TRACE(o.name);
            ASSERT_GE(o.materialId, 0) << "every object names a material of its model";
            ASSERT_LT(o.materialId, m.materialCount);
            bool textured = m.materials[size_t(o.materialId)].fileName[0] != '\0';
            EXPECT_EQ(o.hasTexture, textured);
            if (textured) {
                ASSERT_NE(o.texVertices, nullptr);
                EXPECT_EQ(o.texVertexCount, o.vertexCount);
            }
            for (int i = 0; i < o.vertexCount; i++) {
                const Vec3& n = o.normals[i];
                EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0f, 1e-3f) << "vertex " << i;
            }
        }
        // The scenes draw the next frame with texturing as the last object
        // left it: the last one is untextured so the tiles and dots keep
        // their own colours.
        EXPECT_FALSE(m.objects.back().hasTexture);
    }
    EXPECT_GT(colourOnly, 0);
    EXPECT_EQ(textures, (std::set<std::string>{"wood.bmp", "thatch.BMP", "sign.bmp", "ola.bmp",
                                               "sand.jpg", "logo.JPG"}));

    // The BMP textures come in several depths, one of them run-length encoded.
    std::map<std::string, std::pair<int, int>> depths = {
        {"wood.bmp", {24, 0}}, {"thatch.BMP", {8, 1}}, {"sign.bmp", {4, 0}}, {"ola.bmp", {8, 0}}};
    for (const auto& [name, expected] : depths) {
        std::vector<uint8_t> bmp = readBytes(dir / name);
        ASSERT_GT(bmp.size(), 54u);
        EXPECT_EQ(bmp[0], 'B');
        EXPECT_EQ(bmp[1], 'M');
        EXPECT_EQ(bmp[28] | bmp[29] << 8, expected.first) << name;
        EXPECT_EQ(le32(bmp, 30), uint32_t(expected.second)) << name;
    }
    for (const char* name : {"sand.jpg", "logo.JPG"}) {
        std::vector<uint8_t> jpg = readBytes(dir / name);
        ASSERT_GT(jpg.size(), 2u);
        EXPECT_EQ(jpg[0], 0xFF);
        EXPECT_EQ(jpg[1], 0xD8) << name;
    }
}

TEST_F(GeneratedAssets, TexturesDecodeThroughTheDemosOwnReaders) {
    for (const char* name :
         {"wood.bmp", "thatch.BMP", "sign.bmp", "ola.bmp", "sand.jpg", "logo.JPG"}) {
        SCOPED_TRACE(name);
        std::string path = (dir / name).string();
        bool jpeg = path.size() > 4 && (path.compare(path.size() - 4, 4, ".jpg") == 0 ||
                                        path.compare(path.size() - 4, 4, ".JPG") == 0);
        ImageRGB* image = jpeg ? loadJpeg(path.c_str()) : loadBmp(path.c_str());
        ASSERT_NE(image, nullptr);
        EXPECT_GT(image->width, 0);
        EXPECT_GT(image->height, 0);
        if (jpeg) {
            EXPECT_EQ(image->rowSize, image->width * 3) << "colour, not grayscale";
        }
        // More than a flat fill.
        size_t bytes = size_t(image->width) * image->height * 3;
        std::set<uint32_t> colours;
        for (size_t i = 0; i < bytes && colours.size() < 8; i += 3)
            colours.insert(uint32_t(image->pixels[i]) << 16 | image->pixels[i + 1] << 8 |
                           image->pixels[i + 2]);
        EXPECT_GE(colours.size(), 8u);
        delete[] image->pixels;
        delete image;
    }
}

TEST_F(GeneratedAssets, ClosedObjectsTurnTheirFacesOutwards) {
    // Everything but the open surfaces (the sand patch, the roof with its
    // fringe) and the two-sided leaves encloses a volume.
    const std::set<std::string> open = {"arena", "tejado", "hojas"};
    for (const char* file : {"presents.3ds", "logo.3ds", "txiringo.3DS"}) {
        ImportedModel imported = importModel(dir / file);
        ASSERT_TRUE(imported.ok) << file;
        for (const MeshObject& o : imported.model.objects) {
            if (open.count(o.name))
                continue;
            EXPECT_GT(signedVolume(o), 1e-4) << file << " " << o.name;
        }
    }
}

TEST_F(GeneratedAssets, Scene1ShowsPresentsAboveTheCentredLogo) {
    ImportedModel presents = importModel(dir / "presents.3ds");
    ImportedModel logo = importModel(dir / "logo.3ds");
    ASSERT_TRUE(presents.ok && logo.ok);
    // drawPresentsModel's jitter: ty in 3.2-3.5, tz in -2.7..-2.4.
    Bounds word;
    for (float ty : {3.2f, 3.5f})
        for (float tz : {-2.7f, -2.4f}) {
            bool visible = false;
            Bounds b = scene1Bounds(presents.model, ty, tz, &visible);
            EXPECT_TRUE(visible) << "PRESENTS leaves the view at jitter " << ty << ", " << tz;
            word.add(b.lo);
            word.add(b.hi);
        }
    bool logoVisible = false;
    Bounds emblem = scene1Bounds(logo.model, 0, 1, &logoVisible);
    EXPECT_TRUE(logoVisible);

    // The word spans most of the view's width across its upper part; the
    // emblem sits in the middle below it and is about as wide as it is tall.
    EXPECT_GT(word.hi.x - word.lo.x, 5.0f);
    EXPECT_GT(word.lo.y, emblem.hi.y);
    EXPECT_GT(word.lo.y, 1.0f);
    EXPECT_NEAR((emblem.lo.x + emblem.hi.x) / 2, 0.0f, 0.6f);
    EXPECT_NEAR((emblem.lo.y + emblem.hi.y) / 2, -0.5f, 0.8f);
    EXPECT_GT(emblem.hi.y - emblem.lo.y, 3.0f);

    // Facing the camera: after the draw routine's turns the letters' front
    // faces have normals towards +z; the walls meeting them stand across.
    const MeshObject* p = findObject(presents.model, "P1");
    ASSERT_NE(p, nullptr);
    float frontZ = -1e9f;
    for (int i = 0; i < p->vertexCount; i++)
        frontZ = std::max(frontZ, scene1World(p->vertices[i], 3.35f, -2.55f).z);
    int facing = 0;
    for (int i = 0; i < p->vertexCount; i++) {
        if (scene1World(p->vertices[i], 3.35f, -2.55f).z < frontZ - 1e-3f)
            continue;
        Vec3 n = scene1World(p->normals[i], 0, 0);
        EXPECT_GT(n.z, -1e-3f) << "vertex " << i;
        facing += n.z > 0.99f;
    }
    EXPECT_GE(facing, 12) << "the front caps of the P's stem, bars and bowl";
}

TEST_F(GeneratedAssets, Scene3BarStandsOnTheDotFieldWithZUp) {
    ImportedModel bar = importModel(dir / "txiringo.3DS");
    ASSERT_TRUE(bar.ok);
    // Scene3 draws it untransformed, so demo axes are the world, z up.
    Bounds all;
    for (const MeshObject& o : bar.model.objects)
        for (int i = 0; i < o.vertexCount; i++)
            all.add(o.vertices[i]);
    EXPECT_GT(all.hi.x - all.lo.x, 4.0f);
    EXPECT_LT(all.hi.x - all.lo.x, 12.0f);
    EXPECT_GT(all.hi.z, 2.5f);
    EXPECT_LT(all.hi.z, 6.0f);

    auto objectBounds = [&](const char* name) {
        Bounds b;
        const MeshObject* o = findObject(bar.model, name);
        EXPECT_NE(o, nullptr) << name;
        for (int i = 0; o && i < o->vertexCount; i++)
            b.add(o->vertices[i]);
        return b;
    };
    Bounds deck = objectBounds("tarima"), roof = objectBounds("tejado"),
           sand = objectBounds("arena");
    EXPECT_NEAR(deck.lo.z, -1.0f, 1e-4f) << "the deck stands on z = -1";
    EXPECT_GT(roof.lo.z, deck.hi.z + 1.5f) << "the roof is above the deck";
    EXPECT_LT(sand.hi.z, -0.8f);
    // The sand's top faces the sky: its normals near the middle point up.
    const MeshObject* patch = findObject(bar.model, "arena");
    ASSERT_NE(patch, nullptr);
    EXPECT_GT(patch->normals[0].z, 0.99f);
}
