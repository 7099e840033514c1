// Frames per second of Scene1 and Scene3 at 1024x768, with the models sent as
// triangles and as line strips.
//
// model_scenes_fps [--frames N] [--data DIR] [--dump DIR]
//   --data DIR  load presents.3ds, logo.3ds and txiringo.3DS (and their
//               textures) from DIR; models that come out empty are replaced by
//               generated tori of 3000 faces each.
//   --dump DIR  write the last frame of each run as a PPM picture.
// Run it on a display (Xvfb with llvmpipe for the reference numbers).
#include "model/model.h"
#include "scenes/scenes.h"
#include "shell/shell.h"

#include <GL/glut.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const int width = 1024, height = 768;

// Keeps the arrays of generated models alive for the whole run.
struct TorusStore {
    std::vector<Vec3> vertices, normals;
    std::vector<Vec2> tex;
    std::vector<Face> faces;
};
std::vector<TorusStore*> stores;

// A torus of around x 2 * rings * sides faces in the plane of axes a and b of
// the model, the third axis being its own; every vertex has its normal and a
// texture coordinate.
MeshObject torus(float major, float minor, int rings, int sides, int a, int b) {
    TorusStore* store = new TorusStore;
    stores.push_back(store);
    const int c = 3 - a - b;
    for (int i = 0; i <= rings; i++) {
        const double u = 2 * M_PI * i / rings;
        for (int j = 0; j <= sides; j++) {
            const double v = 2 * M_PI * j / sides;
            float p[3], n[3];
            n[a] = float(std::cos(v) * std::cos(u));
            n[b] = float(std::cos(v) * std::sin(u));
            n[c] = float(std::sin(v));
            p[a] = float((major + minor * std::cos(v)) * std::cos(u));
            p[b] = float((major + minor * std::cos(v)) * std::sin(u));
            p[c] = float(minor * std::sin(v));
            store->vertices.push_back({p[0], p[1], p[2]});
            store->normals.push_back({n[0], n[1], n[2]});
            store->tex.push_back({float(i) / rings * 4, float(j) / sides});
        }
    }
    for (int i = 0; i < rings; i++)
        for (int j = 0; j < sides; j++) {
            const int v = i * (sides + 1) + j;
            store->faces.push_back({{v, v + sides + 1, v + sides + 2}, {0, 0, 0}});
            store->faces.push_back({{v, v + sides + 2, v + 1}, {0, 0, 0}});
        }
    MeshObject object{};
    object.vertexCount = int32_t(store->vertices.size());
    object.faceCount = int32_t(store->faces.size());
    object.texVertexCount = int32_t(store->tex.size());
    object.vertices = store->vertices.data();
    object.normals = store->normals.data();
    object.texVertices = store->tex.data();
    object.faces = store->faces.data();
    return object;
}

uint32_t checkerTexture() {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) {
            const bool dark = ((x / 8) + (y / 8)) % 2;
            pixels.insert(pixels.end(), {uint8_t(dark ? 40 : 230), uint8_t(dark ? 60 : 200),
                                         uint8_t(dark ? 160 : 60)});
        }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 64, 64, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    return name;
}

// Two materials: a plain colour and a textured one in slot 1. The first torus
// is plain, the second textured.
void generate(Model& model, uint32_t* textures, float major, int a, int b) {
    Material plain{}, textured{};
    std::strcpy(plain.name, "plain");
    plain.color[0] = 220;
    plain.color[1] = 60;
    plain.color[2] = 40;
    std::strcpy(textured.name, "checker");
    std::strcpy(textured.fileName, "checker.bmp");
    model.materials = {plain, textured};
    model.materialCount = 2;
    MeshObject first = torus(major, major * 0.3f, 50, 15, a, b);
    MeshObject second = torus(major * 0.5f, major * 0.15f, 50, 15, a, b);
    first.materialId = 0;
    second.materialId = 1;
    second.hasTexture = true;
    textures[1] = checkerTexture();
    model.objects = {first, second};
    model.objectCount = 2;
}

int faceTotal(const Model& model) {
    int total = 0;
    for (int i = 0; i < model.objectCount; i++)
        total += model.objects[i].faceCount;
    return total;
}

void dumpFrame(const std::string& path) {
    std::vector<uint8_t> pixels(size_t(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        std::perror(path.c_str());
        return;
    }
    std::fprintf(out, "P6\n%d %d\n255\n", width, height);
    for (int y = height - 1; y >= 0; y--)
        std::fwrite(&pixels[size_t(y) * width * 3], 1, size_t(width) * 3, out);
    std::fclose(out);
}

// Median frames per second over `frames` frames drawn back to back as the
// display callback draws them; each frame is finished before the clock is read.
double run(void (*scene)(int32_t, int32_t, int32_t), int frames, const std::string& dump) {
    using clock = std::chrono::steady_clock;
    std::vector<double> seconds;
    for (int f = -20; f < frames; f++) {
        const auto start = clock::now();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        scene(0, 0, phaseThousandths);
        if (f == frames - 1 && !dump.empty())
            dumpFrame(dump);
        glutSwapBuffers();
        glFinish();
        if (f >= 0)
            seconds.push_back(std::chrono::duration<double>(clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    return 1.0 / seconds[seconds.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    int frames = 300;
    std::string data, dump;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--frames"))
            frames = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--data"))
            data = argv[i + 1];
        else if (!std::strcmp(argv[i], "--dump"))
            dump = argv[i + 1];
    }

    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(width, height);
    glutCreateWindow("model_scenes_fps");
    glClearColor(1, 1, 1, 0.5);
    setGlobalGlState();
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-2, 2, -2, 2, 5, 100);
    glMatrixMode(GL_MODELVIEW);

    if (!data.empty()) {
        char here[4096];
        if (!getcwd(here, sizeof here) || chdir(data.c_str()) != 0) {
            std::perror(data.c_str());
            return 1;
        }
        loadPresentsModel();
        loadLogoModel();
        loadTxiringoModel();
        if (chdir(here) != 0)
            return 1;
    }
    // presents and logo are turned so that their y-z plane faces the camera.
    if (presentsModel.objectCount == 0)
        generate(presentsModel, presentsTextures, 0.8f, 1, 2);
    if (logoModel.objectCount == 0)
        generate(logoModel, logoTextures, 1.5f, 1, 2);
    if (txiringoModel.objectCount == 0)
        generate(txiringoModel, txiringoTextures, 3.0f, 0, 1);

    std::printf("faces: presents %d, logo %d, txiringo %d; %d frames per run\n",
                faceTotal(presentsModel), faceTotal(logoModel), faceTotal(txiringoModel), frames);
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    struct Run {
        const char* name;
        void (*scene)(int32_t, int32_t, int32_t);
        float clock;
    };
    // Scene3 starts where its camera is about 12 units from the axis.
    const Run runs[] = {{"Scene1", Scene1, 0.0f}, {"Scene3", Scene3, 63.2f}};
    for (const Run& r : runs) {
        for (int32_t primitive : {GL_TRIANGLES, GL_LINE_STRIP}) {
            modelPrimitive = primitive;
            sceneTime = r.clock;
            const bool triangles = primitive == GL_TRIANGLES;
            const std::string picture =
                dump.empty() ? ""
                             : dump + "/" + r.name + (triangles ? "_triangles.ppm" : "_lines.ppm");
            const double fps = run(r.scene, frames, picture);
            std::printf("%s, %-11s: median %.1f fps\n", r.name,
                        triangles ? "triangles" : "line strips", fps);
            std::fflush(stdout);
        }
    }
    // The scenes' own share: the same frames with the three models empty.
    Model none[3];
    std::swap(none[0], presentsModel);
    std::swap(none[1], logoModel);
    std::swap(none[2], txiringoModel);
    for (const Run& r : runs) {
        sceneTime = r.clock;
        std::printf("%s, no models : median %.1f fps\n", r.name, run(r.scene, frames, ""));
        std::fflush(stdout);
    }
    return 0;
}
