#include "tools/assetgen/models.h"

#include "tools/assetgen/assetgen.h"

static bool isJpeg(const std::string& file) {
    std::string ext = file.size() >= 4 ? file.substr(file.size() - 4) : "";
    return ext == ".jpg" || ext == ".JPG";
}

void addMeshes(Scene3ds& scene, const std::vector<MeshBuilder>& meshes, const AxisMap& map) {
    for (const MeshBuilder& m : meshes) {
        bool jpeg = false;
        for (const Material3ds& mat : scene.materials) {
            if (mat.name == m.material) {
                jpeg = isJpeg(mat.textureFile);
            }
        }
        scene.meshes.push_back(toMesh3ds(m, map, jpeg));
    }
}

bool writeModels(const std::string& dir) {
    bool ok = writeAsset(dir, "presents.3ds", encode3ds(buildPresentsModel()));
    ok = writeAsset(dir, "logo.3ds", encode3ds(buildLogoModel())) && ok;
    ok = writeAsset(dir, "txiringo.3DS", encode3ds(buildTxiringoModel())) && ok;
    ok = writeTextures(dir) && ok;
    return ok;
}
